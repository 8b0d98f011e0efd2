#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velmora {

// A colour as 0xRRGGBB.
using Rgb = std::uint32_t;

constexpr Rgb MakeRgb(int r, int g, int b) {
    return static_cast<Rgb>((r << 16) | (g << 8) | b);
}

constexpr Rgb kBlack = 0x000000;
// The system window colour behind the plot and its texts.
constexpr Rgb kWindowColour = 0xFFFFFF;

// What the plot needs to know of the device it draws on.
struct DeviceCaps {
    int widthPixels = 0;
    int heightPixels = 0;
    double dotsPerInchX = 96;
    double dotsPerInchY = 96;
    int colourBits = 24;  // colour planes times bits per pixel
};

// Where a text's x stands, the text's top being at its y.
enum class TextAlign { Centre, Left };

// The rectangle a text covered, in logical units: left to right, and from
// top down to bottom (bottom < top, y growing upward).
struct TextBox {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool intersects(const TextBox& o) const {
        return left <= o.right && o.left <= right && bottom <= o.top && o.bottom <= top;
    }
};

// The drawing layer the plot paints through. Coordinates are logical units
// of 0.01 inch with y growing upward: the device's top-left corner is
// (0, 0) and everything below it has a negative y. Lines are one device
// pixel wide and include both ends.
class DrawingSurface {
public:
    virtual ~DrawingSurface() = default;

    virtual DeviceCaps Caps() const = 0;

    virtual void SetPen(Rgb colour) = 0;
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
    // The rectangle between two corners, edges included.
    virtual void FillRect(int x0, int y0, int x1, int y1, Rgb colour) = 0;
    // One pixel; on a device finer than the unit, a dot one unit across.
    virtual void SetPixel(int x, int y, Rgb colour) = 0;
    // A column of single pixels at x, one for each y.
    virtual void SetPixels(int x, const int* ys, std::size_t count, Rgb colour) {
        for (std::size_t k = 0; k < count; ++k)
            SetPixel(x, ys[k], colour);
    }
    // Text in the plot's font (Arial, 16 units high, 9 wide) on an opaque
    // background of the window colour; the box it covered.
    virtual void SetTextColour(Rgb colour) = 0;
    virtual TextBox TextOut(int x, int y, const std::string& text, TextAlign align) = 0;
    // The height of a line of text, in logical units.
    virtual int TextHeight() const = 0;

    // In device pixels, for the drag outline: inverts the four one-pixel
    // strips along the edges of the rectangle between two corners, so that
    // doing it twice restores the picture.
    virtual void InvertRectOutline(int x0, int y0, int x1, int y1) = 0;
};

}  // namespace velmora
