#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "link/ui_host.h"

// A UI host for tests: records every prompt and answers from a queue.
class ScriptedUi : public UiHost {
 public:
  struct Prompt {
    std::string text;  // UTF-8
    std::string caption;
    unsigned style;
    int textStyle;
  };

  // Answers for the next prompts, in order. When none is left, prompts answer
  // `fallback` (2 by default, as closing the window would).
  void Answer(std::initializer_list<int> answers);
  void SetFallback(int answer) { fallback_ = answer; }

  // The date and time dialog: runs `action` (if set) with the port, then returns
  // the next queued result (default 2, cancelled).
  void DateTimeResults(std::initializer_list<int> results);
  void OnDateTimeDialog(std::function<void(int port)> action) {
    dateTimeAction_ = std::move(action);
  }

  int ShowPrompt(const std::string& text, const std::string& caption, unsigned style,
                 int textStyle) override;
  int RunDateTimeDialog(const PrinterLine& line) override;
  void BeginWait() override {
    ++waitDepth_;
    ++waitCount_;
  }
  void EndWait() override { --waitDepth_; }

  std::vector<Prompt> prompts;
  int dateTimeDialogs = 0;
  int waitDepth_ = 0;
  int waitCount_ = 0;

 private:
  std::deque<int> answers_;
  std::deque<int> dateTimeResults_;
  std::function<void(int)> dateTimeAction_;
  int fallback_ = 2;
};
