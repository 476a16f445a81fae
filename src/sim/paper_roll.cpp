#include "sim/paper_roll.h"

#include "sim/sim_text.h"

using namespace simtext;

void PaperRoll::SetSink(Sink sink) {
  std::lock_guard<std::mutex> lock(mu_);
  sink_ = std::move(sink);
}

void PaperRoll::Print(const std::string& utf8) {
  if (utf8.empty()) return;
  std::string t = utf8;
  if (t.back() != '\n') t += '\n';
  Sink sink;
  {
    std::lock_guard<std::mutex> lock(mu_);
    text_ += t;
    sink = sink_;
  }
  if (sink) sink(t);
}

std::string PaperRoll::Text() const {
  std::lock_guard<std::mutex> lock(mu_);
  return text_;
}

void PaperRoll::Clear() {
  std::lock_guard<std::mutex> lock(mu_);
  text_.clear();
}

void Document::Emit(const std::string& cp1251) {
  std::string t = cp1251;
  // Control characters would garble the roll; print them as spaces.
  for (char& c : t)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  while (!t.empty() && t.back() == ' ') t.pop_back();
  out_ += ToUtf8(t);
  out_ += '\n';
}

void Document::Line(const std::string& text) {
  Emit(Fit(text, width_, Align::kLeft));
}
void Document::Center(const std::string& text) {
  std::string t = text;
  while (!t.empty() && t.back() == ' ') t.pop_back();
  while (!t.empty() && t.front() == ' ') t.erase(t.begin());
  Emit(Fit(t, width_, Align::kCentre));
}
void Document::Right(const std::string& text) {
  Emit(Fit(text, width_, Align::kRight));
}

void Document::LeftRight(const std::string& left, const std::string& right) {
  const int room = width_ - static_cast<int>(right.size()) - 1;
  if (room <= 0) {
    Emit(Fit(right, width_, Align::kRight));
    return;
  }
  std::string l = left.size() > static_cast<size_t>(room) ? left.substr(0, room) : left;
  Emit(l + std::string(width_ - l.size() - right.size(), ' ') + right);
}

void Document::Rule(char c) {
  Emit(std::string(width_, c));
}
void Document::Blank() {
  out_ += '\n';
}
void Document::RawUtf8(const std::string& utf8) {
  out_ += utf8;
  if (!utf8.empty() && utf8.back() != '\n') out_ += '\n';
}
