#include "app_test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "dialogs/prompt_dialog.h"

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
