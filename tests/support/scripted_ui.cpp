#include "support/scripted_ui.h"

void ScriptedUi::Answer(std::initializer_list<int> answers) {
  answers_.insert(answers_.end(), answers.begin(), answers.end());
}

void ScriptedUi::DateTimeResults(std::initializer_list<int> results) {
  dateTimeResults_.insert(dateTimeResults_.end(), results.begin(), results.end());
}

int ScriptedUi::ShowPrompt(const std::string& text, const std::string& caption, unsigned style,
                           int textStyle) {
  prompts.push_back({text, caption, style, textStyle});
  if (answers_.empty()) return fallback_;
  const int a = answers_.front();
  answers_.pop_front();
  return a;
}

int ScriptedUi::RunDateTimeDialog(const PrinterLine& line) {
  ++dateTimeDialogs;
  if (dateTimeAction_) dateTimeAction_(line.port);
  if (dateTimeResults_.empty()) return 2;
  const int r = dateTimeResults_.front();
  dateTimeResults_.pop_front();
  return r;
}
