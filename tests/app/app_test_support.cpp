#include "app_test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/menu_routes.h"
#include "dialogs/prompt_dialog.h"
#include "link/settings.h"

PromptWatch::PromptWatch() {
  Start(20);
}

PromptWatch::~PromptWatch() {
  Stop();
  EXPECT_TRUE(answers_.empty()) << answers_.size() << " prepared answers were not used";
}

void PromptWatch::Answer(std::initializer_list<int> results) {
  answers_.insert(answers_.end(), results.begin(), results.end());
}

void PromptWatch::Notify() {
  PromptDialog* d = ModalDialog<PromptDialog>();
  if (!d) return;
  seen.push_back({d->TextField()->GetLabelText().utf8_string(), d->GetTitle().utf8_string()});
  if (answers_.empty()) {
    ADD_FAILURE() << "unexpected prompt: " << seen.back().text;
    d->EndModal(kPromptClosedResult);
    return;
  }
  const int wanted = answers_.front();
  answers_.erase(answers_.begin());
  const auto& buttons = d->Style().buttons;
  for (size_t i = 0; i < buttons.size(); ++i) {
    if (buttons[i].result == wanted) {
      Click(d, PromptDialog::kButtonIds[i]);
      return;
    }
  }
  ADD_FAILURE() << "prompt \"" << seen.back().text << "\" has no button " << wanted;
  d->EndModal(kPromptClosedResult);
}

TemporaryHome::TemporaryHome() {
  char pattern[] = "/tmp/fs-home-XXXXXX";
  const char* made = ::mkdtemp(pattern);
  path_ = made ? made : "/tmp";
  if (const char* home = std::getenv("HOME")) {
    hadHome_ = true;
    saved_ = home;
  }
  ::setenv("HOME", path_.c_str(), 1);
}

TemporaryHome::~TemporaryHome() {
  if (hadHome_) {
    ::setenv("HOME", saved_.c_str(), 1);
  } else {
    ::unsetenv("HOME");
  }
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void TemporaryHome::Write(const std::string& name, const std::string& content) const {
  std::ofstream(path_ + "/" + name, std::ios::binary) << content;
}

void MenuWindowTest::Start(const SimOptions& options) {
  sim_ = std::make_unique<SimServer>(options);
  PortMap::Instance().Clear();
  PortMap::Instance().Set(1, sim_->Path());
  window_ = new MainDialog(StandardMenuRoutes());
  window_->DoMenuUpdates();
}

void MenuWindowTest::TearDown() {
  if (window_) window_->Destroy();
  ProcessPending();
  PortMap::Instance().Clear();
}
