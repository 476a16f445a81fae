// The connection held to the X server while the toolkit starts: which
// environments use X11, a real server, no server, and a stand-in server that
// drops connections while it "resets" before it answers.
#include "app/display_hold.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using std::chrono::milliseconds;

TEST(DisplayHoldTest, KnowsWhenTheToolkitUsesX11) {
  struct Case {
    const char* display;
    const char* wayland;
    const char* backend;
    bool x11;
  };
  const Case cases[] = {
      {":0", nullptr, nullptr, true},           {":0", "", "", true},
      {nullptr, nullptr, nullptr, false},       {"", nullptr, nullptr, false},
      {":0", "wayland-0", nullptr, false},      {":0", "wayland-0", "x11", true},
      {":0", "wayland-0", "x11,wayland", true}, {":0", "wayland-0", "wayland,x11", false},
      {":0", "wayland-0", "*", false},          {":0", nullptr, "*", true},
      {":0", nullptr, "broadway", false},       {nullptr, "wayland-0", "x11", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToolkitUsesX11(c.display, c.wayland, c.backend), c.x11)
        << (c.display ? c.display : "-") << " " << (c.wayland ? c.wayland : "-") << " "
        << (c.backend ? c.backend : "-");
  }
}

TEST(DisplayHoldTest, HoldsTheTestsOwnDisplay) {
  const char* display = std::getenv("DISPLAY");
  if (!display) GTEST_SKIP() << "no DISPLAY (the GUI tests run under xvfb-run)";
  DisplayHold hold = DisplayHold::Connect(display, milliseconds(2000));
  EXPECT_TRUE(hold.Held()) << hold.Error();
  EXPECT_EQ(hold.Attempts(), 1);
  DisplayHold moved = std::move(hold);
  EXPECT_FALSE(hold.Held());
  EXPECT_TRUE(moved.Held());
  moved.Release();
  EXPECT_FALSE(moved.Held());
}

// A listening socket where the client library looks for display :N (Linux's
// abstract name), for a display number nothing else uses.
struct FakeDisplay {
  int listener = -1;
  int number = 0;

  FakeDisplay() {
    for (number = 4000 + ::getpid() % 1000; number < 6000; ++number) {
      listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_un addr{};
      addr.sun_family = AF_UNIX;
      const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
      std::memcpy(addr.sun_path + 1, path.data(), path.size());
      const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + path.size());
      if (::bind(listener, reinterpret_cast<sockaddr*>(&addr), size) == 0 &&
          ::listen(listener, 8) == 0)
        return;
      ::close(listener);
    }
    listener = -1;
  }
  ~FakeDisplay() {
    if (listener >= 0) ::close(listener);
  }
  std::string Name() const { return ":" + std::to_string(number); }
};

bool ReadAll(int fd, void* data, size_t size) {
  auto* p = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t n = ::read(fd, p, size);
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Answers one client as a little-endian X server with one screen would: the
// connection set-up, then the reply to GetInputFocus.
void AnswerLikeAServer(int fd) {
  uint8_t request[12];
  if (!ReadAll(fd, request, sizeof request)) return;
  const size_t authName = request[6] | request[7] << 8;
  const size_t authData = request[8] | request[9] << 8;
  std::vector<uint8_t> auth(((authName + 3) & ~3u) + ((authData + 3) & ~3u));
  if (!auth.empty() && !ReadAll(fd, auth.data(), auth.size())) return;
  std::vector<uint8_t> setup(8 + 32 + 40, 0);
  setup[0] = 1;              // success
  setup[2] = 11;             // protocol 11.0
  setup[6] = (32 + 40) / 4;  // length of what follows, in 4-byte units
  setup[8 + 8] = 0xff;       // resource id mask 0x001fffff
  setup[8 + 9] = 0xff;
  setup[8 + 10] = 0x1f;
  setup[8 + 18] = 0xff;       // maximum request length
  setup[8 + 20] = 1;          // one screen, no pixmap formats
  setup[8 + 32 + 20] = 0x00;  // the screen: 1280 x 1024 pixels
  setup[8 + 32 + 21] = 0x05;
  setup[8 + 32 + 23] = 0x04;
  setup[8 + 32 + 38] = 24;  // root depth, no depths listed
  if (::write(fd, setup.data(), setup.size()) != static_cast<ssize_t>(setup.size())) return;
  uint8_t header[4];
  if (!ReadAll(fd, header, sizeof header) || header[0] != 43) return;  // GetInputFocus
  uint8_t reply[32] = {1, 0, 1, 0};  // a reply, to request number 1
  if (::write(fd, reply, sizeof reply) != sizeof reply) return;
  char rest;
  while (::read(fd, &rest, 1) > 0) {
  }
}

// The stand-in server: drops the first `drops` connections at once, as an X
// server does while it resets, then answers.
void Serve(int listener, int drops, std::atomic<int>& accepted) {
  while (true) {
    const int fd = ::accept(listener, nullptr, nullptr);
    if (fd < 0) return;
    if (accepted++ >= drops) {
      AnswerLikeAServer(fd);
      ::close(fd);
      return;
    }
    ::close(fd);
  }
}

TEST(DisplayHoldTest, TriesAgainWhileTheServerDropsConnections) {
  FakeDisplay fake;
  ASSERT_GE(fake.listener, 0);
  std::atomic<int> accepted{0};
  std::thread server(Serve, fake.listener, 3, std::ref(accepted));
  DisplayHold hold = DisplayHold::Connect(fake.Name(), milliseconds(10000));
  EXPECT_TRUE(hold.Held()) << hold.Error();
  EXPECT_EQ(hold.Attempts(), 4);
  hold.Release();
  server.join();
  EXPECT_EQ(accepted.load(), 4);
}

TEST(DisplayHoldTest, GivesUpWithAReasonWhenNoServerAnswers) {
  struct Case {
    const char* what;
    bool listening;  // a server that drops every connection, or none at all
  };
  for (const Case c : {Case{"no server", false}, Case{"always dropping", true}}) {
    FakeDisplay fake;
    ASSERT_GE(fake.listener, 0);
    std::atomic<int> accepted{0};
    std::thread server;
    if (c.listening) {
      server = std::thread(Serve, fake.listener, 1000000, std::ref(accepted));
    } else {
      ::close(fake.listener);
      fake.listener = -1;
    }
    const auto start = std::chrono::steady_clock::now();
    DisplayHold hold = DisplayHold::Connect(fake.Name(), milliseconds(300));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(hold.Held()) << c.what;
    EXPECT_GE(hold.Attempts(), 2) << c.what;
    EXPECT_LT(took, milliseconds(300 + 5000)) << c.what;
    EXPECT_NE(hold.Error().find("\"" + fake.Name() + "\""), std::string::npos) << hold.Error();
    if (server.joinable()) {
      ::shutdown(fake.listener, SHUT_RDWR);
      server.join();
      EXPECT_EQ(accepted.load(), hold.Attempts()) << c.what;
    }
  }
}

}  // namespace
