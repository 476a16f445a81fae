// SerialPort over MemoryLine (see memory_line.h), for the fuzz targets only.
#include <cstring>

#include "fuzz/memory_line.h"
#include "link/link_result.h"
#include "link/serial_port.h"

MemoryLine& MemoryLine::Instance() {
  static MemoryLine line;
  return line;
}

SerialPort::SerialPort(int port, UiHost* owner) : SerialPort(port, 9600, 0, 0, 8, owner) {}

SerialPort::SerialPort(int port, int baudRate, int parity, int stopBits, int dataBits,
                       UiHost* owner)
    : owner_(owner), port_(static_cast<uint8_t>(port)) {
  (void)owner_;  // no wait cursor for a line in memory
  error_ = Open(port, baudRate, parity, stopBits, dataBits);
}

SerialPort::SerialPort(int port, const std::string& path, int baudRate, UiHost* owner)
    : owner_(owner), port_(static_cast<uint8_t>(port)), path_(path) {
  (void)owner_;
  error_ = Open(port, baudRate, 0, 0, 8);
}

SerialPort::~SerialPort() {
  Close();
}

int SerialPort::Open(int, int, int, int, int) {
  fd_ = -1;
  if (MemoryLine::Instance().openFails) {
    MemoryLine::Instance().openFails = false;
    return LinkResult::kOpenFailed;
  }
  fd_ = 1;
  if (MemoryLine::Instance().onOpen) MemoryLine::Instance().onOpen();
  return LinkResult::kOk;
}

void SerialPort::Close() {
  fd_ = -1;
  pending_.clear();
}

bool SerialPort::IsOpen() const {
  return fd_ >= 0;
}

void SerialPort::Send(const std::string& data) {
  SendRaw(reinterpret_cast<const uint8_t*>(data.data()), data.size());
}

void SerialPort::SendRaw(const uint8_t* data, size_t count) {
  if (fd_ < 0) {
    SetError(LinkResult::kSendNotOpen);
    return;
  }
  MemoryLine& line = MemoryLine::Instance();
  if (line.onSend) line.onSend(std::string(reinterpret_cast<const char*>(data), count));
}

std::string SerialPort::Receive(int count, int) {
  if (fd_ < 0) {
    SetError(LinkResult::kReadNotOpen);
    return std::string();
  }
  if (count < 1) count = 1;
  if (count > 255) count = 255;
  const size_t want = static_cast<size_t>(count);
  std::string& in = MemoryLine::Instance().toHost;
  if (in.size() < want) {
    SetError(LinkResult::kTimeout);
    return std::string();
  }
  std::string out = in.substr(0, want);
  in.erase(0, want);
  const size_t zero = out.find('\0');
  if (zero != std::string::npos && zero + 1 < want) SetError(LinkResult::kZeroByte);
  if (zero != std::string::npos) out.resize(zero);
  return out;
}
