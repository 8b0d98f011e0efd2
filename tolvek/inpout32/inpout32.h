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

// Null when the writes go where INPOUT32_BACKEND says. With the setting
// unset and no usable /dev/parport0, a simulated board takes the writes in
// place of the port; this then says why the port could not be used.
const char* Inpout32Fallback(void);

// Makes every write so far durable (a trace file flushed to the kernel, a
// board memory file written whole) and returns null when every write since
// the library was opened arrived, otherwise the first failure.
const char* Inpout32Settle(void);

#ifdef __cplusplus
}
#endif
