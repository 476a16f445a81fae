#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class UiHost;

// One open serial port for the lifetime of one FiscalPrinter. Raw line: 8 data
// bits, no parity, one stop bit, no flow control, no character processing.
//
// Error slot contract: every operation leaves a LinkResult code (link_result.h)
// in the slot; the caller reads and clears it with TakeError() right after each
// call. An operation never clears a code left by an earlier one.
//
// The COM number maps to a device path through PortMap (settings.h), unless a
// path is given to the constructor (PrinterLine). The owner
// (may be null) gets BeginWait/EndWait around every write and receive.
// Nothing here throws or blocks past its time-out.
//
// One program at a time: while open, a terminal is locked (flock, without
// waiting) and its exclusive flag is set; Close clears the flag again, so the
// line can be opened any number of times, also by ordinary users, while its
// other end stays open (the simulated printer). A port that another program
// holds fails to open with code 1 and a system error PortInUse accepts. On
// Windows the port is opened without sharing, which does the same.
class SerialPort {
 public:
  // Opens at 9600 baud, no parity, one stop bit, 8 data bits.
  SerialPort(int port, UiHost* owner);
  // parity: 0 none (the only value the driver uses; 1 odd, 2 even);
  // stopBits: 0 one, 2 two; dataBits: 5..8.
  SerialPort(int port, int baudRate, int parity, int stopBits, int dataBits, UiHost* owner);
  // Opens `path` (PortMap's path for `port` when empty) at `baudRate`, 8 data
  // bits, no parity, one stop bit; `port` names the line in messages.
  SerialPort(int port, const std::string& path, int baudRate, UiHost* owner);
  virtual ~SerialPort();

  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Returns 0, or 1 (open failed; LastSystemError says why, and PortInUse
  // (link_errors.h) tells a port that another program holds), 2 (reading the
  // line settings), 3 (setting
  // them, or an unsupported speed); on Windows also 4 and 5 (reading and setting
  // the time-outs) and 6 (the driver's queue sizes). Called once, by the
  // constructor; the port is never reopened.
  int Open(int port, int baudRate, int parity, int stopBits, int dataBits);
  // Discards both queues and closes. Safe to call twice.
  void Close();

  // Writes all bytes of `data` and waits until they have left (tcdrain). The
  // write gives up after 300 ms plus 1 ms per byte if the line does not take
  // the bytes (code 9).
  // Codes: 7 not open, 8 write failed, 9 fewer bytes written.
  void Send(const std::string& data);
  // As Send for a block given by pointer and count (the logo frame).
  void SendRaw(const uint8_t* data, size_t count);

  // Waits until `count` (1..255) bytes are queued or `timeoutMs` has passed since
  // the call, and reads exactly that many; further bytes stay queued. Returns as
  // soon as the count is reached. Codes: 10 time-out (nothing is read), 11 not
  // open, 12 read failed, 13 short read, 15 a zero byte before the last position
  // (the bytes before it are returned). Returns the bytes read, or "".
  std::string Receive(int count, int timeoutMs);

  int TakeError() {
    const int e = error_;
    error_ = 0;
    return e;
  }

  bool IsOpen() const;
  int Port() const { return port_; }
  // The error number of the last failed system call: GetLastError() on Windows,
  // errno elsewhere (the messages call it the GetLastError code either way).
  int LastSystemError() const { return lastErrno_; }

 private:
  void SetError(int code) { error_ = code; }

  // Bytes read from the line but not yet handed out: Receive reads whatever
  // has arrived and keeps what the caller did not ask for, so a later Receive
  // gets it first (as if it had stayed in the driver's queue).
  // (The Windows driver keeps unread bytes in its own input queue instead.)
  std::string pending_;
  UiHost* owner_;
  int error_ = 0;
#ifdef _WIN32
  void* handle_;  // a HANDLE; INVALID_HANDLE_VALUE when closed
#else
  int fd_ = -1;
  bool exclusive_ = false;  // this port set the terminal's exclusive flag
  // Closes the descriptor just opened and fails the open with `systemError`.
  int Refuse(int systemError);
#endif
  uint8_t port_;
  int lastErrno_ = 0;
  std::string path_;  // "" = PortMap's path for port_
};
