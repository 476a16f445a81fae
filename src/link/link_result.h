#pragma once

// Result codes of the serial link. One code space shared by the serial port
// (1..15), the frame protocol (16..23) and the readiness handshake (50..52).
// ReportLinkError (printer_link.h) gives every code its message.
namespace LinkResult {
constexpr int kOk = 0;
// SerialPort::Open
constexpr int kOpenFailed = 1;         // open() of the device failed
constexpr int kGetStateFailed = 2;     // tcgetattr failed
constexpr int kSetStateFailed = 3;     // tcsetattr failed, or the speed is not supported
constexpr int kGetTimeoutsFailed = 4;  // reserved: no termios counterpart
constexpr int kSetTimeoutsFailed = 5;  // reserved: no termios counterpart
constexpr int kQueueSizeFailed = 6;    // reserved: no termios counterpart
// SerialPort::Send / SendRaw
constexpr int kSendNotOpen = 7;
constexpr int kWriteFailed = 8;
constexpr int kWriteShort = 9;
// SerialPort::Receive
constexpr int kTimeout = 10;
constexpr int kReadNotOpen = 11;
constexpr int kReadFailed = 12;
constexpr int kReadShort = 13;
constexpr int kZeroByte = 15;
// Transact: reply checks
constexpr int kAckChecksum = 16;
constexpr int kAckSequence = 17;
constexpr int kTooManyRepeats = 18;
constexpr int kUnknownStart = 19;
constexpr int kStxChecksum = 20;
constexpr int kNack = 21;
constexpr int kStxSequence = 22;
constexpr int kStxCommand = 23;
// CheckLink
constexpr int kBusy = 50;
constexpr int kReady = 51;
constexpr int kNoAnswer = 52;
}  // namespace LinkResult
