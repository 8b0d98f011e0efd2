#pragma once

#include <optional>
#include <string>

namespace velmora {

// The window applied to both channels before the transform. Rectangular
// leaves the samples as they are.
enum class WindowFunction { Rectangular, Hann, FlatTop, BlackmanHarris };

constexpr WindowFunction kWindowFunctions[] = {WindowFunction::Rectangular, WindowFunction::Hann,
                                               WindowFunction::FlatTop,
                                               WindowFunction::BlackmanHarris};

// "rectangular", "Hann", "flat-top", "Blackman-Harris".
const char* WindowName(WindowFunction window);
// The window a name stands for, in any case ("hann", "flat-top" or
// "flattop", "blackman-harris"); nothing for another name.
std::optional<WindowFunction> WindowNamed(const std::string& name);

// The N coefficients, scaled so that a sinusoid at a bin reads its
// amplitude: they add up to N, as the rectangular window's do.
void FillWindow(WindowFunction window, int N, double* coefficients);

// The equivalent noise bandwidth in bins: N times the sum of the squared
// coefficients over the squared sum (1 for the rectangular window, 1.5 for
// Hann).
double EquivalentNoiseBandwidth(WindowFunction window, int N);

// How many bins either side of a tone's own hold most of its power: the
// half width of the window's main lobe.
int MainLobeHalfWidth(WindowFunction window);

}  // namespace velmora
