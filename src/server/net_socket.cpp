#include "server/net_socket.h"

#include <chrono>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <ws2tcpip.h>

#include "driver/system_error.h"
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace {

#ifdef _WIN32
using PollEntry = WSAPOLLFD;
int PollAll(PollEntry* entries, size_t n, int ms) {
  return WSAPoll(entries, static_cast<ULONG>(n), ms);
}
bool WouldBlock() {
  return WSAGetLastError() == WSAEWOULDBLOCK;
}
// The system's words (UTF-8, whatever the ANSI code page; "system error N"
// where it has none, as Wine for most Winsock codes). A held port is said as on
// Linux, so that the callers' hints about a second server apply here too.
std::string LastError() {
  const int code = WSAGetLastError();
  if (code == WSAEADDRINUSE) return "Address already in use";
  return SystemErrorText(code);
}
void SetNonBlocking(NetSocket s) {
  u_long on = 1;
  ioctlsocket(s, FIONBIO, &on);
}
constexpr int kSendFlags = 0;
bool AddressMissing() {
  const int e = WSAGetLastError();
  return e == WSAEAFNOSUPPORT || e == WSAEADDRNOTAVAIL || e == WSAEPROTONOSUPPORT;
}
bool OutOfDescriptors() {
  const int e = WSAGetLastError();
  return e == WSAEMFILE || e == WSAENOBUFS;
}
#else
using PollEntry = pollfd;
int PollAll(PollEntry* entries, size_t n, int ms) {
  return poll(entries, n, ms);
}
bool WouldBlock() {
  return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}
std::string LastError() {
  return std::strerror(errno);
}
void SetNonBlocking(NetSocket s) {
  fcntl(s, F_SETFL, fcntl(s, F_GETFL, 0) | O_NONBLOCK);
  fcntl(s, F_SETFD, FD_CLOEXEC);
}
constexpr int kSendFlags = MSG_NOSIGNAL;
bool AddressMissing() {
  return errno == EAFNOSUPPORT || errno == EADDRNOTAVAIL || errno == EPROTONOSUPPORT;
}
bool OutOfDescriptors() {
  return errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM;
}
#endif

void SetOption(NetSocket s, int level, int name) {
  int on = 1;
  setsockopt(s, level, name, reinterpret_cast<const char*>(&on), sizeof on);
}

std::string AddressText(const sockaddr* address) {
  char text[INET6_ADDRSTRLEN] = {};
  if (address->sa_family == AF_INET6) {
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, text,
              sizeof text);
  } else {
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
  }
  return text;
}

}  // namespace

bool NetStartup() {
#ifdef _WIN32
  WSADATA data;
  return WSAStartup(MAKEWORD(2, 2), &data) == 0;
#else
  return true;
#endif
}

NetSocket NetListen(const std::string& host, int port, std::string& error, bool v6only,
                    bool* unavailable) {
  if (unavailable) *unavailable = false;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found) {
    error = "unknown address \"" + host + "\"";
    if (unavailable) *unavailable = true;
    return kNoSocket;
  }
  NetSocket s = kNoSocket;
  for (addrinfo* a = found; a; a = a->ai_next) {
    s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (s == kNoSocket) {
      if (unavailable) *unavailable = AddressMissing();
      error = LastError();
      continue;
    }
    if (v6only && a->ai_family == AF_INET6) SetOption(s, IPPROTO_IPV6, IPV6_V6ONLY);
#ifdef _WIN32
    // Without it another program could bind the same address over ours.
    SetOption(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE);
#else
    // Restarts within the TIME_WAIT of old connections; unlike SO_REUSEPORT it
    // never lets a second listener share the port.
    SetOption(s, SOL_SOCKET, SO_REUSEADDR);
#endif
    if (bind(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0 && listen(s, SOMAXCONN) == 0) {
      SetNonBlocking(s);
      break;
    }
    if (unavailable) *unavailable = AddressMissing();
    error = LastError();
    NetClose(s);
    s = kNoSocket;
  }
  freeaddrinfo(found);
  return s;
}

int NetLocalPort(NetSocket s) {
  sockaddr_storage address{};
  socklen_t size = sizeof address;
  if (getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0) return 0;
  if (address.ss_family == AF_INET6)
    return ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
  return ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
}

NetSocket NetAccept(NetSocket listener, std::string& peer, NetAcceptEnd* why) {
  sockaddr_storage address{};
  socklen_t size = sizeof address;
  const NetSocket s = accept(listener, reinterpret_cast<sockaddr*>(&address), &size);
  if (s == kNoSocket) {
    if (why)
      *why = OutOfDescriptors() ? NetAcceptEnd::kOutOfDescriptors : NetAcceptEnd::kNoneWaiting;
    return kNoSocket;
  }
  SetNonBlocking(s);
  // A response goes out in one write; without Nagle it leaves at once.
  SetOption(s, IPPROTO_TCP, TCP_NODELAY);
  peer = AddressText(reinterpret_cast<sockaddr*>(&address));
  return s;
}

void NetClose(NetSocket s) {
  if (s == kNoSocket) return;
#ifdef _WIN32
  closesocket(s);
#else
  close(s);
#endif
}

IoResult NetRead(NetSocket s, char* buffer, size_t size) {
  const auto n = recv(s, buffer, static_cast<int>(size), 0);
  if (n > 0) return {IoStatus::kData, static_cast<size_t>(n)};
  if (n == 0) return {IoStatus::kClosed};
  return {WouldBlock() ? IoStatus::kWouldBlock : IoStatus::kError};
}

IoResult NetWrite(NetSocket s, const char* data, size_t size) {
  const auto n = send(s, data, static_cast<int>(size), kSendFlags);
  if (n > 0) return {IoStatus::kData, static_cast<size_t>(n)};
  return {n < 0 && WouldBlock() ? IoStatus::kWouldBlock : IoStatus::kError};
}

bool NetWriteAllWith(NetSocket s, const std::string& data, int timeoutMs,
                     const NetWriteSome& writeSome) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  size_t sent = 0;
  while (sent < data.size()) {
    bool writable = true;
    const IoResult r = writeSome(data.data() + sent, data.size() - sent, writable);
    if (r.status == IoStatus::kData) {
      sent += r.bytes;
      continue;
    }
    if (r.status != IoStatus::kWouldBlock) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) return false;
    bool ready = false;
    if (NetWait(&s, &writable, 1, &ready, static_cast<int>(left)) < 0) return false;
  }
  return true;
}

bool NetWriteAll(NetSocket s, const std::string& data, int timeoutMs) {
  return NetWriteAllWith(s, data, timeoutMs, [s](const char* bytes, size_t size, bool&) {
    return NetWrite(s, bytes, size);
  });
}

bool NetPeerGone(NetSocket s) {
  char byte = 0;
  const auto n = recv(s, &byte, 1, MSG_PEEK);
  if (n > 0) return false;
  if (n == 0) return true;
  return !WouldBlock();
}

bool NetPeerHungUp(NetSocket s) {
#ifdef POLLRDHUP
  PollEntry entry{};
  entry.fd = s;
  entry.events = POLLRDHUP;
  if (PollAll(&entry, 1, 0) > 0 && (entry.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0)
    return true;
#endif
  return NetPeerGone(s);
}

NetPeer NetPeerState(NetSocket s) {
  char byte = 0;
  const auto n = recv(s, &byte, 1, MSG_PEEK);
  if (n > 0) return NetPeer::kThere;
  if (n < 0) return WouldBlock() ? NetPeer::kThere : NetPeer::kGone;
#ifndef _WIN32
  // The end of stream: a reset since then is told by the poll, not by recv.
  // (Winsock's recv tells the reset itself, and its poll says POLLHUP at a
  // mere end of stream.)
  PollEntry entry{};
  entry.fd = s;
  entry.events = POLLIN;
  if (PollAll(&entry, 1, 0) > 0 && (entry.revents & (POLLERR | POLLHUP)) != 0)
    return NetPeer::kGone;
#endif
  return NetPeer::kEnded;
}

bool NetProbeForReset(NetSocket s, const std::string& bytes, int waitMs) {
  if (!NetWriteAll(s, bytes, waitMs)) return true;
#ifdef _WIN32
  Sleep(static_cast<DWORD>(waitMs));
  int error = 0;
  int size = sizeof error;
  if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) == 0 &&
      error != 0)
    return true;
  char byte = 0;
  return recv(s, &byte, 1, MSG_PEEK) < 0 && !WouldBlock();
#else
  // Asking for no event waits for an error or a hang-up alone (the end of
  // stream keeps the socket readable).
  pollfd entry{};
  entry.fd = s;
  entry.events = 0;
  return poll(&entry, 1, waitMs) > 0 && (entry.revents & (POLLERR | POLLHUP)) != 0;
#endif
}

int NetWait(const NetSocket* sockets, const bool* writable, size_t count, bool* ready,
            int timeoutMs) {
  std::vector<PollEntry> entries(count);
  for (size_t i = 0; i < count; ++i) {
    entries[i].fd = sockets[i];
    entries[i].events = POLLIN;
    if (writable && writable[i]) entries[i].events |= POLLOUT;
  }
  const int n = PollAll(entries.data(), count, timeoutMs);
  for (size_t i = 0; i < count; ++i)
    ready[i] = n > 0 && (entries[i].revents & (POLLIN | POLLOUT | POLLHUP | POLLERR)) != 0;
  return n;
}

bool NetWakePair(NetSocket& watch, NetSocket& wake) {
#ifdef _WIN32
  std::string error;
  const NetSocket listener = NetListen("127.0.0.1", 0, error);
  if (listener == kNoSocket) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(NetLocalPort(listener)));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  wake = socket(AF_INET, SOCK_STREAM, 0);
  bool ok = wake != kNoSocket &&
            connect(wake, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  if (ok) {
    u_long off = 0;
    ioctlsocket(listener, FIONBIO, &off);
    watch = accept(listener, nullptr, nullptr);
    ok = watch != kNoSocket;
    if (ok) SetNonBlocking(watch);
  }
  NetClose(listener);
  if (ok) SetNonBlocking(wake);
  return ok;
#else
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return false;
  SetNonBlocking(fds[0]);
  SetNonBlocking(fds[1]);
  watch = fds[0];
  wake = fds[1];
  return true;
#endif
}
