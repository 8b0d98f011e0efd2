#pragma once

namespace velmora {

// The keyboard's lock indicators: bit 0 Caps Lock, bit 1 Num Lock, bit 2
// Scroll Lock. Known on X11 only; elsewhere none is lit.
unsigned int LockKeyState();

}  // namespace velmora
