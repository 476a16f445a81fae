// The Windows back-end of SerialPort: the COM port through the Win32 serial
// communications calls. Built instead of serial_port.cpp on Windows.
#include <windows.h>

#include <string>

#include "link/link_result.h"
#include "link/serial_port.h"
#include "link/serial_trace.h"
#include "link/settings.h"
#include "link/ui_host.h"

namespace {

// Driver queue sizes: the usual ones, and the larger ones around the logo block.
constexpr DWORD kQueueBytes = 256;
constexpr DWORD kLargeQueueBytes = 4096;

// Port time-outs. Receive waits for the queued count itself, so reads only ever
// ask for bytes that are already there and the read time-outs just stay short.
// A write gives up after 300 ms plus 1 ms per byte.
constexpr DWORD kReadIntervalMs = 1;
constexpr DWORD kReadMultiplierMs = 1;
constexpr DWORD kReadConstantMs = 1;
constexpr DWORD kWriteMultiplierMs = 1;
constexpr DWORD kWriteConstantMs = 300;

// Time-outs from this length on sleep between polls of the queue; shorter
// ones poll without sleeping.
constexpr int kSleepingPollFromMs = 10;
constexpr DWORD kPollSleepMs = 3;

constexpr size_t kMaxReceive = 255;

HANDLE AsHandle(void* h) {
  return static_cast<HANDLE>(h);
}

// Bytes waiting in the driver's input queue; also clears a pending line error,
// which would otherwise block further reads.
DWORD QueuedBytes(HANDLE h) {
  DWORD errors = 0;
  COMSTAT stat{};
  if (!ClearCommError(h, &errors, &stat)) return 0;
  return stat.cbInQue;
}

}  // namespace

SerialPort::SerialPort(int port, UiHost* owner) : SerialPort(port, 9600, 0, 0, 8, owner) {}

SerialPort::SerialPort(int port, const std::string& path, int baudRate, UiHost* owner)
    : owner_(owner), handle_(INVALID_HANDLE_VALUE), port_(static_cast<uint8_t>(port)), path_(path) {
  error_ = Open(port, baudRate, 0, 0, 8);
}

SerialPort::SerialPort(int port, int baudRate, int parity, int stopBits, int dataBits,
                       UiHost* owner)
    : owner_(owner), handle_(INVALID_HANDLE_VALUE), port_(static_cast<uint8_t>(port)) {
  error_ = Open(port, baudRate, parity, stopBits, dataBits);
}

SerialPort::~SerialPort() {
  Close();
}

bool SerialPort::IsOpen() const {
  return AsHandle(handle_) != INVALID_HANDLE_VALUE;
}

int SerialPort::Open(int port, int baudRate, int parity, int stopBits, int dataBits) {
  handle_ = INVALID_HANDLE_VALUE;
  // "\\.\COMn" (PortMap's default) reaches every port number, COM10 and up too.
  const std::string name = path_.empty() ? PortMap::Instance().PathFor(port) : path_;
  HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    lastErrno_ = static_cast<int>(GetLastError());
    return LinkResult::kOpenFailed;
  }
  // From here on the handle stays open whatever fails; Close releases it.
  handle_ = h;

  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(h, &dcb)) {
    lastErrno_ = static_cast<int>(GetLastError());
    return LinkResult::kGetStateFailed;
  }
  dcb.BaudRate = static_cast<DWORD>(baudRate);
  dcb.Parity = static_cast<BYTE>(parity);      // NOPARITY, ODDPARITY, EVENPARITY
  dcb.StopBits = static_cast<BYTE>(stopBits);  // ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS
  dcb.ByteSize = static_cast<BYTE>(dataBits);
  // A plain binary line whatever the previous user of the port left behind:
  // with handshaking switched on, a printer that does not drive CTS/DSR would
  // never be written to, and XON/XOFF would swallow those bytes from logo data.
  dcb.fBinary = TRUE;
  dcb.fParity = parity != NOPARITY;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fNull = FALSE;
  dcb.fAbortOnError = FALSE;
  if (!SetCommState(h, &dcb)) {
    lastErrno_ = static_cast<int>(GetLastError());
    return LinkResult::kSetStateFailed;
  }

  COMMTIMEOUTS timeouts{};
  if (!GetCommTimeouts(h, &timeouts)) {
    lastErrno_ = static_cast<int>(GetLastError());
    return LinkResult::kGetTimeoutsFailed;
  }
  timeouts.ReadIntervalTimeout = kReadIntervalMs;
  timeouts.ReadTotalTimeoutMultiplier = kReadMultiplierMs;
  timeouts.ReadTotalTimeoutConstant = kReadConstantMs;
  timeouts.WriteTotalTimeoutMultiplier = kWriteMultiplierMs;
  timeouts.WriteTotalTimeoutConstant = kWriteConstantMs;
  if (!SetCommTimeouts(h, &timeouts)) {
    lastErrno_ = static_cast<int>(GetLastError());
    return LinkResult::kSetTimeoutsFailed;
  }

  if (!SetupComm(h, kQueueBytes, kQueueBytes)) {
    lastErrno_ = static_cast<int>(GetLastError());
    return LinkResult::kQueueSizeFailed;
  }
  return LinkResult::kOk;
}

void SerialPort::Close() {
  HANDLE h = AsHandle(handle_);
  if (h == INVALID_HANDLE_VALUE) return;
  PurgeComm(h, PURGE_TXABORT | PURGE_TXCLEAR);
  PurgeComm(h, PURGE_RXABORT | PURGE_RXCLEAR);
  CloseHandle(h);
  handle_ = INVALID_HANDLE_VALUE;
}

void SerialPort::Send(const std::string& data) {
  HANDLE h = AsHandle(handle_);
  if (h == INVALID_HANDLE_VALUE) {
    SetError(LinkResult::kSendNotOpen);
    return;
  }
  WaitCursor wait(owner_);
  DWORD written = 0;
  if (!WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr)) {
    lastErrno_ = static_cast<int>(GetLastError());
    SetError(LinkResult::kWriteFailed);
    return;
  }
  FlushFileBuffers(h);
  if (written > 0) {
    if (const auto trace = SerialTrace()) (*trace)(port_, true, data.substr(0, written));
  }
  if (written != data.size()) SetError(LinkResult::kWriteShort);
}

void SerialPort::SendRaw(const uint8_t* data, size_t count) {
  HANDLE h = AsHandle(handle_);
  // A port that never opened says so (7) rather than failing on the queues.
  if (h == INVALID_HANDLE_VALUE) {
    SetError(LinkResult::kSendNotOpen);
    return;
  }
  if (!SetupComm(h, kLargeQueueBytes, kLargeQueueBytes)) {
    lastErrno_ = static_cast<int>(GetLastError());
    SetError(LinkResult::kQueueSizeFailed);
    return;
  }
  Send(std::string(reinterpret_cast<const char*>(data), count));
  // Back to the usual queues whatever the write did.
  if (!SetupComm(h, kQueueBytes, kQueueBytes)) {
    lastErrno_ = static_cast<int>(GetLastError());
    SetError(LinkResult::kQueueSizeFailed);
  }
}

std::string SerialPort::Receive(int count, int timeoutMs) {
  HANDLE h = AsHandle(handle_);
  if (h == INVALID_HANDLE_VALUE) {
    SetError(LinkResult::kReadNotOpen);
    return std::string();
  }
  if (count < 1) count = 1;
  if (static_cast<size_t>(count) > kMaxReceive) count = static_cast<int>(kMaxReceive);
  const DWORD want = static_cast<DWORD>(count);
  WaitCursor wait(owner_);

  // Wait for the whole count in the driver's queue, so that one read takes
  // exactly `count` bytes and leaves any further ones queued. Unsigned tick
  // arithmetic stays right across the counter's wrap.
  const DWORD start = GetTickCount();
  DWORD queued = 0;
  for (;;) {
    queued = QueuedBytes(h);
    if (queued >= want) break;
    if (GetTickCount() - start >= static_cast<DWORD>(timeoutMs < 0 ? 0 : timeoutMs)) break;
    if (timeoutMs >= kSleepingPollFromMs) Sleep(kPollSleepMs);
  }
  if (queued < want) {
    SetError(LinkResult::kTimeout);
    return std::string();
  }

  char buf[kMaxReceive + 1] = {};
  DWORD got = 0;
  if (!ReadFile(h, buf, want, &got, nullptr)) {
    lastErrno_ = static_cast<int>(GetLastError());
    SetError(LinkResult::kReadFailed);
    return std::string();
  }
  if (got > 0) {
    if (const auto trace = SerialTrace()) (*trace)(port_, false, std::string(buf, got));
  }
  if (got != want) {
    SetError(LinkResult::kReadShort);
    return std::string(buf);  // up to the first zero, as always
  }
  // A zero byte anywhere but in the last place is a line fault; the text ends
  // at the first zero either way.
  std::string out(buf, got);
  const size_t zero = out.find('\0');
  if (zero != std::string::npos) {
    if (zero + 1 < got) SetError(LinkResult::kZeroByte);
    out.resize(zero);
  }
  return out;
}
