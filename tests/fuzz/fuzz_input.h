#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Input bytes of one fuzz run, consumed from the front. An exhausted input reads
// as `fallback`.
class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : p_(data), n_(size) {}
  bool Empty() const { return n_ == 0; }
  uint8_t Byte(uint8_t fallback = 0) {
    if (n_ == 0) return fallback;
    --n_;
    return *p_++;
  }
  std::string Bytes(size_t count) {
    if (count > n_) count = n_;
    std::string s(reinterpret_cast<const char*>(p_), count);
    p_ += count;
    n_ -= count;
    return s;
  }
  std::string Rest() { return Bytes(n_); }

 private:
  const uint8_t* p_;
  size_t n_;
};
