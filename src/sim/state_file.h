#pragma once

#include <string>

#include "sim/device_state.h"

// The device's memory on disk, so that it survives a restart as a real
// printer's memory survives a power cycle. A text file of "key value" lines;
// texts are written in hexadecimal so that any byte survives. Keys missing from
// the file keep the value they had in `state`.

// Writes `state` to `path` through a temporary file in the same folder that is
// flushed to disk and then renamed over `path`, so a crash leaves either the
// old file or the new one. Returns "" or a message saying what failed.
std::string SaveState(const DeviceState& state, const std::string& path);

// Reads `path` into `state`. Returns "" or a message (an unreadable file, a
// file that is not a state file, a malformed line); on a message `state` is
// unchanged.
std::string LoadState(const std::string& path, DeviceState& state);
