#pragma once

#include <termios.h>

#include <cstdint>
#include <string>

// Line settings and time shared by the simulated printer and its test client.

// The termios speed for `baud`; B9600 for a speed the device does not offer.
speed_t TermiosSpeed(int baud);

// Sets the terminal `fd` raw (8N1, no echo, no line editing) at `baud`, with
// reads that return at once with what is there. Returns false when the
// terminal's settings could not be read or set.
bool SetRawLine(int fd, int baud);

// The device side of a new pseudo-terminal: `master` (non-blocking) for the
// simulated device, and `slave`, the terminal a host opens by `path`, held
// open (raw at `baud`) so that the line survives the host's close; it is -1
// when it could not be opened. The caller owns and closes both. Throws
// std::runtime_error when no pseudo-terminal can be made.
struct PtyPair {
  int master = -1;
  int slave = -1;
  std::string path;
};
PtyPair OpenPtyPair(int baud);

// Milliseconds of the monotonic clock (any origin).
int64_t MonotonicMs();
