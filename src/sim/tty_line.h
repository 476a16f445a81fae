#pragma once

#include <termios.h>

#include <cstdint>

// Line settings and time shared by the simulated printer and its test client.

// The termios speed for `baud`; B9600 for a speed the device does not offer.
speed_t TermiosSpeed(int baud);

// Sets the terminal `fd` raw (8N1, no echo, no line editing) at `baud`, with
// reads that return at once with what is there. Returns false when the
// terminal's settings could not be read or set.
bool SetRawLine(int fd, int baud);

// Milliseconds of the monotonic clock (any origin).
int64_t MonotonicMs();
