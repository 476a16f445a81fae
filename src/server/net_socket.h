#pragma once

#include <cstddef>
#include <functional>
#include <string>

// The few socket calls fiscal-server's HTTP side needs, the same on POSIX and
// Windows (Winsock). Sockets are non-blocking; every wait is bounded by the
// caller's time-out.
#ifdef _WIN32
#include <winsock2.h>
using NetSocket = SOCKET;
constexpr NetSocket kNoSocket = INVALID_SOCKET;
#else
using NetSocket = int;
constexpr NetSocket kNoSocket = -1;
#endif

// Starts the socket library (Winsock); true on POSIX. Call once before the rest.
bool NetStartup();

// A listening socket on `host`:`port` (port 0: any free one), bound
// exclusively: a second program asking for the same address is refused
// (no SO_REUSEPORT; SO_EXCLUSIVEADDRUSE on Windows). An IPv6 socket made with
// `v6only` takes IPv6 alone (IPV6_V6ONLY). kNoSocket with `error` set (the
// system's own words) when it cannot be bound; `unavailable` (when given)
// then says whether the address does not exist on this computer (no IPv6,
// no ::1) rather than being held by another program.
NetSocket NetListen(const std::string& host, int port, std::string& error, bool v6only = false,
                    bool* unavailable = nullptr);
int NetLocalPort(NetSocket s);

// Why NetAccept returned no connection.
enum class NetAcceptEnd {
  kNoneWaiting,       // nothing to accept now (or a client that left at once)
  kOutOfDescriptors,  // the process or the system has no file descriptor left
};

// A new connection from `listener` (non-blocking, Nagle off), or kNoSocket
// when none is accepted (`why` says why). `peer` is the client's address.
NetSocket NetAccept(NetSocket listener, std::string& peer, NetAcceptEnd* why = nullptr);

void NetClose(NetSocket s);

// How one read or write of a socket (or a TLS session) ended.
enum class IoStatus {
  kData,        // `bytes` were moved
  kWouldBlock,  // nothing can be moved now: wait for the socket
  kClosed,      // the peer's end of stream (reads only)
  kError,       // the connection failed
};
struct IoResult {
  IoStatus status;
  size_t bytes = 0;  // with kData; 0 otherwise
};

// Reads what is there: kData with bytes > 0, kClosed at the peer's end of
// stream, kWouldBlock when nothing is there yet, kError on an error.
IoResult NetRead(NetSocket s, char* buffer, size_t size);

// Writes what the socket takes: kData with bytes > 0 (maybe fewer than
// `size`), kWouldBlock when it cannot take any now, kError otherwise. Never
// raises SIGPIPE.
IoResult NetWrite(NetSocket s, const char* data, size_t size);

// Writes all of `data`, waiting at most `timeoutMs` in all. False on an
// error or when the time runs out.
bool NetWriteAll(NetSocket s, const std::string& data, int timeoutMs);

// The same over any writer of socket `s` (a TLS session): `writeSome` writes
// what it can of `size` bytes at `bytes` and says how many it took (kData),
// kError (given up at once), or kWouldBlock when `s` must first become
// writable (`waitWritable` true) or readable (false: a TLS renegotiation)
// before it can take more.
using NetWriteSome = std::function<IoResult(const char* bytes, size_t size, bool& waitWritable)>;
bool NetWriteAllWith(NetSocket s, const std::string& data, int timeoutMs,
                     const NetWriteSome& writeSome);

// True when the peer has closed its side or the connection is broken (a
// non-destructive look: waiting request bytes stay where they are).
bool NetPeerGone(NetSocket s);
// True also when bytes still wait before the peer's end of stream (where the
// system tells; otherwise as NetPeerGone): a TLS client's goodbye is such bytes.
bool NetPeerHungUp(NetSocket s);

// How a connection whose request has been read stands on the client's side.
enum class NetPeer {
  kThere,  // nothing said, or more bytes wait
  kEnded,  // its end of stream came: it closed, or it only ended its sending side
  kGone,   // reset or broken: it reads nothing more
};
NetPeer NetPeerState(NetSocket s);

// Writes `bytes` to a peer whose end of stream came, and waits up to `waitMs`
// for the reset a peer that closed wholly answers data with. True when the
// peer is gone (reset, or the write failed); false when it still takes bytes
// (it ended only its sending side and waits for the answer).
bool NetProbeForReset(NetSocket s, const std::string& bytes, int waitMs);

// Waits up to `timeoutMs` for any of `sockets` to become readable, or, where
// `writable` (nullptr: none) says so, writable; `ready` receives one flag per
// socket. -1 on an error of the wait itself.
int NetWait(const NetSocket* sockets, const bool* writable, size_t count, bool* ready,
            int timeoutMs);

// A pair of connected sockets: writing a byte to `wake` makes `watch`
// readable. Lets another thread wake a thread waiting in NetWaitReadable.
bool NetWakePair(NetSocket& watch, NetSocket& wake);
