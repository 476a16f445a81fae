#pragma once

#include <chrono>
#include <string>

struct xcb_connection_t;

// A connection of the program's own to the X server, held while the toolkit
// opens its connection.
//
// An X server whose last client leaves resets itself (Xvfb does, and so do the
// servers behind many log-in screens); a connection made while it resets is
// dropped, and a toolkit that finds no display at start-up aborts. At a
// desktop's start short-lived clients come and go at any moment: the
// accessibility bus launcher and every screen reader read the bus address from
// the root window through a connection of their own and close it. Holding a
// connection that has answered a round trip keeps the server's count of clients
// above zero, so nothing resets it until the toolkit is connected as well.
//
// Only for a program that uses X11; never exits the program (the client library
// used reports a broken connection as a state, not through an exit handler).
class DisplayHold {
 public:
  // How long Connect waits between attempts.
  static constexpr std::chrono::milliseconds kRetryInterval{20};

  DisplayHold() = default;
  ~DisplayHold();
  DisplayHold(DisplayHold&& other) noexcept;
  DisplayHold& operator=(DisplayHold&& other) noexcept;
  DisplayHold(const DisplayHold&) = delete;
  DisplayHold& operator=(const DisplayHold&) = delete;

  // Connects to `display` (a DISPLAY value such as ":0"), trying again every
  // kRetryInterval while the server drops or refuses the connection, for at most
  // `patience`. The result holds the connection, or says why there is none.
  static DisplayHold Connect(const std::string& display, std::chrono::milliseconds patience);

  bool Held() const { return connection_ != nullptr; }
  // Why no connection is held ("" when one is).
  const std::string& Error() const { return error_; }
  // How many connections were attempted.
  int Attempts() const { return attempts_; }

  // Closes the connection (the toolkit's own stays open).
  void Release();

 private:
  xcb_connection_t* connection_ = nullptr;
  std::string error_;
  int attempts_ = 0;
};

// Whether the toolkit will talk to an X server, from the environment's DISPLAY,
// WAYLAND_DISPLAY and GDK_BACKEND (each null when unset): DISPLAY is set, and
// either no Wayland compositor is there or GDK_BACKEND names x11 first.
bool ToolkitUsesX11(const char* display, const char* waylandDisplay, const char* gdkBackend);
