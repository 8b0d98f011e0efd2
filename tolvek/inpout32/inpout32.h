// Port-access library for the PC parallel port, the stand-in for the
// classic inpout32 library. Programs bind these entry points by name.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Writes the low byte of value to the I/O port, before returning.
void Out32(short port, short value);

// Reads one byte from the I/O port.
short Inp32(short port);

// Opens the backend named by INPOUT32_BACKEND if that has not happened yet.
// Returns null when the port is usable, otherwise a text saying why not.
// Out32 opens the backend itself; callers use this to learn of a failure.
const char* Inpout32Open(void);

#ifdef __cplusplus
}
#endif
