#pragma once

// Taking a picture of a window for the documentation (scripts/screenshots).

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/display.h>
#include <wx/toplevel.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

// The folder FS_SCREENSHOTS_DIR names, "" when pictures are not wanted.
inline std::string ScreenshotDir() {
  const char* dir = std::getenv("FS_SCREENSHOTS_DIR");
  return dir ? dir : "";
}

// Shows the window, lets it paint, and copies its rectangle from the screen
// into <dir>/<name>.png with ImageMagick's "import" (the toolkit's own screen
// copy returns stale pixels on some X servers).
inline void CaptureWindow(wxTopLevelWindow& window, const std::string& name) {
  // The pointer out of the way, so that no control is drawn hovered.
  wxUIActionSimulator().MouseMove(0, 0);
  window.Show();
  window.Raise();
  for (int i = 0; i < 40; ++i) {
    wxYield();
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  // The window with a margin for the window manager's frame and title bar.
  wxRect r = window.GetScreenRect();
  r.Inflate(2, 2);
  r.y -= 8;
  r.height += 8;
  r = r.Intersect(wxDisplay(0u).GetGeometry());
  const std::string path = ScreenshotDir() + "/" + name + ".png";
  const std::string command = "import -window root -crop " + std::to_string(r.width) + "x" +
                              std::to_string(r.height) + "+" + std::to_string(r.x) + "+" +
                              std::to_string(r.y) + " +repage " + path;
  EXPECT_EQ(wxExecute(command, wxEXEC_SYNC | wxEXEC_NOEVENTS), 0) << command;
  window.Hide();
  wxYield();
}
