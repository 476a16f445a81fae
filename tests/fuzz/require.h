#pragma once

#include <cstdio>
#include <cstdlib>

// Aborts with `what` when `ok` is false: an invariant a fuzz target asserts.
// The abort is what libFuzzer reports as a finding, with the input saved.
inline void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}
