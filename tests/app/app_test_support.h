#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include <wx/timer.h>

#include "gui_test_support.h"

// Support for the application's tests (the toolkit start-up and the control
// helpers are in gui_test_support.h; run under Xvfb).

// Answers the prompt dialogs that open while it lives. Each prompt is recorded
// and answered with the next queued result (the button with that result is
// pressed); a prompt with nothing queued is a test failure and is closed (2).
class PromptWatch : public wxTimer {
 public:
  struct Seen {
    std::string text;  // UTF-8
    std::string caption;
  };

  PromptWatch();
  ~PromptWatch() override;
  void Answer(std::initializer_list<int> results);
  void Notify() override;

  std::vector<Seen> seen;

 private:
  std::vector<int> answers_;
};

// Points $HOME at a fresh temporary folder while it lives (the program's
// configuration file lives there).
class TemporaryHome {
 public:
  TemporaryHome();
  ~TemporaryHome();
  const std::string& Path() const { return path_; }
  // Writes `content` into the file `name` inside the folder.
  void Write(const std::string& name, const std::string& content) const;

 private:
  std::string path_;
  std::string saved_;
  bool hadHome_ = false;
};
