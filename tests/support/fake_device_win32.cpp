// The Windows line of FakeDevice: the device's end of a linked pair of COM ports.
#ifdef _WIN32
#include <windows.h>

#include <cstdlib>
#include <stdexcept>

#include "link/settings.h"
#include "support/fake_device.h"

namespace {

HANDLE AsHandle(void* h) {
  return static_cast<HANDLE>(h);
}

// FS_TEST_COM_PAIR="HOST,DEVICE": the COM numbers of the two linked ends.
bool ComPair(int& host, int& device) {
  const char* pair = std::getenv("FS_TEST_COM_PAIR");
  return pair && std::sscanf(pair, "%d,%d", &host, &device) == 2 && host > 0 && device > 0;
}

}  // namespace

FakeDevice::FakeDevice() {
  status_ = StatusBytes({22, 23, 24});
  int host = 0;
  int device = 0;
  if (!ComPair(host, device)) throw std::runtime_error("FS_TEST_COM_PAIR is not set");
  path_ = "\\\\.\\COM" + std::to_string(host);
  const std::string devicePath = "\\\\.\\COM" + std::to_string(device);
  HANDLE h = CreateFileA(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + devicePath);
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  GetCommState(h, &dcb);
  dcb.BaudRate = 9600;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fBinary = TRUE;
  dcb.fOutX = dcb.fInX = FALSE;
  dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = FALSE;
  SetCommState(h, &dcb);
  // Reads take only what is queued and return at once.
  COMMTIMEOUTS t{};
  t.ReadIntervalTimeout = MAXDWORD;
  t.WriteTotalTimeoutConstant = 1000;
  SetCommTimeouts(h, &t);
  PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR);  // nothing left over from an earlier test
  line_ = h;
  thread_ = std::thread([this] { Run(); });
}

FakeDevice::~FakeDevice() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  CloseDeviceEnd();
}

int FakeDevice::LineBaud() const {
  return 0;
}

void FakeDevice::MapTo(int port) {
  PortMap::Instance().Set(port, path_);
}

void FakeDevice::CloseDeviceEnd() {
  if (line_) CloseHandle(AsHandle(line_));
  line_ = nullptr;
}

void FakeDevice::Run() {
  // Polls the queued count and reads exactly that: prompt under Wine, whose
  // blocking serial reads answer only at their time-out's granularity.
  uint8_t buf[4096];
  while (!stop_) {
    HANDLE h = AsHandle(line_);
    if (!h) return;
    std::string chatter;
    {
      std::lock_guard<std::mutex> l(mu_);
      chatter = chatter_;
    }
    if (!chatter.empty()) Write(chatter);
    DWORD errors = 0;
    COMSTAT stat{};
    if (!ClearCommError(h, &errors, &stat)) return;
    if (stat.cbInQue == 0) {
      Sleep(1);
      continue;
    }
    DWORD n = 0;
    const DWORD want = stat.cbInQue < sizeof buf ? stat.cbInQue : DWORD(sizeof buf);
    if (!ReadFile(h, buf, want, &n, nullptr)) return;
    for (DWORD i = 0; i < n; ++i) {
      HandleByte(buf[i]);
      std::lock_guard<std::mutex> l(mu_);
      if (lineClosed_) return;
    }
  }
}

void FakeDevice::Write(const std::string& bytes) {
  HANDLE h = AsHandle(line_);
  DWORD done = 0;
  if (h) WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
}
#endif
