#include "app/display_hold.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>

namespace {

// The client library's reason for a broken connection, in words.
std::string ConnectionError(int code) {
  switch (code) {
    case XCB_CONN_ERROR:
      return "the connection failed or was closed by the server";
    case XCB_CONN_CLOSED_EXT_NOTSUPPORTED:
      return "an extension is not supported";
    case XCB_CONN_CLOSED_MEM_INSUFFICIENT:
      return "out of memory";
    case XCB_CONN_CLOSED_REQ_LEN_EXCEED:
      return "a request was too long";
    case XCB_CONN_CLOSED_PARSE_ERR:
      return "the display name could not be parsed";
    case XCB_CONN_CLOSED_INVALID_SCREEN:
      return "the server has no such screen";
    default:
      return "error " + std::to_string(code);
  }
}

// Connects once; a connection counts only when the server answered a round
// trip after accepting it (a resetting server accepts, then drops it).
xcb_connection_t* TryConnect(const std::string& display, std::string& error) {
  xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
  if (const int code = xcb_connection_has_error(c); code != 0) {
    error = ConnectionError(code);
    xcb_disconnect(c);
    return nullptr;
  }
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  if (const int code = xcb_connection_has_error(c); code != 0) {
    error = ConnectionError(code);
    xcb_disconnect(c);
    return nullptr;
  }
  return c;
}

}  // namespace

DisplayHold::~DisplayHold() {
  Release();
}

DisplayHold::DisplayHold(DisplayHold&& other) noexcept
    : connection_(std::exchange(other.connection_, nullptr)),
      error_(std::move(other.error_)),
      attempts_(other.attempts_) {}

DisplayHold& DisplayHold::operator=(DisplayHold&& other) noexcept {
  if (this != &other) {
    Release();
    connection_ = std::exchange(other.connection_, nullptr);
    error_ = std::move(other.error_);
    attempts_ = other.attempts_;
  }
  return *this;
}

DisplayHold DisplayHold::Connect(const std::string& display, std::chrono::milliseconds patience) {
  DisplayHold hold;
  const auto deadline = std::chrono::steady_clock::now() + patience;
  std::string error;
  while (true) {
    ++hold.attempts_;
    hold.connection_ = TryConnect(display, error);
    if (hold.connection_) return hold;
    if (std::chrono::steady_clock::now() + kRetryInterval > deadline) break;
    std::this_thread::sleep_for(kRetryInterval);
  }
  hold.error_ = "cannot connect to the display \"" + display + "\": " + error;
  return hold;
}

void DisplayHold::Release() {
  if (connection_) {
    xcb_disconnect(connection_);
    connection_ = nullptr;
  }
}

bool ToolkitUsesX11(const char* display, const char* waylandDisplay, const char* gdkBackend) {
  if (!display || !*display) return false;
  // GDK_BACKEND lists the back-ends to try in order; "*" is the built-in order,
  // which tries Wayland first.
  if (gdkBackend && *gdkBackend && *gdkBackend != '*') {
    return std::strncmp(gdkBackend, "x11", 3) == 0;
  }
  return !waylandDisplay || !*waylandDisplay;
}
