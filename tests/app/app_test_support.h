#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include <wx/timer.h>

#include "app/main_dialog.h"
#include "gui_test_support.h"
#include "sim/sim_server.h"

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

// While it lives, waits for a modal dialog of type `Dialog` and, once it is
// up, hands it to `onOpen` (when given) and presses its button `exitId`.
// `seen` counts how often that happened.
template <class Dialog>
class PressWhenOpen : public wxTimer {
 public:
  explicit PressWhenOpen(int exitId, std::function<void(Dialog*)> onOpen = {})
      : exitId_(exitId), onOpen_(std::move(onOpen)) {
    Start(50);
  }
  void Notify() override {
    if (auto* d = ModalDialog<Dialog>()) {
      ++seen;
      if (onOpen_) onOpen_(d);
      Click(d, exitId_);
    }
  }
  int seen = 0;

 private:
  int exitId_;
  std::function<void(Dialog*)> onOpen_;
};

// The main window with the standard menu routes, on a simulated printer mapped
// as COM 1, in a temporary home folder. Tests call Start (with the printer's
// options) before they use `window_`.
class MenuWindowTest : public ::testing::Test {
 protected:
  void Start(const SimOptions& options = {});
  void TearDown() override;

  // Runs menu item `item`, presses `exitId` of the `Dialog` it opens, and
  // returns how often such a dialog came up (1 when the item opened it).
  template <class Dialog>
  int Open(int item, int exitId, std::function<void(Dialog*)> onOpen = {}) {
    PressWhenOpen<Dialog> watch(exitId, std::move(onOpen));
    window_->RunItem(item);
    return watch.seen;
  }

  std::unique_ptr<SimServer> sim_;
  TemporaryHome home_;
  MainDialog* window_ = nullptr;
};
