#pragma once

#include <functional>
#include <mutex>
#include <string>

// The printer's paper: UTF-8 text, one printed line per text line. Everything
// printed is kept (Text) and also handed to an optional sink (standard output
// or a file), in the order printed. Thread-safe.
class PaperRoll {
 public:
  using Sink = std::function<void(const std::string& utf8)>;

  void SetSink(Sink sink);
  // Appends printed text; a missing final newline is added.
  void Print(const std::string& utf8);
  std::string Text() const;
  void Clear();

 private:
  mutable std::mutex mu_;
  std::string text_;
  Sink sink_;
};

// One printed document (a receipt, a report) being laid out in lines of a fixed
// width. Input texts are Windows-1251; widths count bytes; the result is UTF-8.
class Document {
 public:
  explicit Document(int width) : width_(width) {}
  int Width() const { return width_; }

  // A line as it is, cut to the width.
  void Line(const std::string& text);
  void Center(const std::string& text);
  void Right(const std::string& text);
  // `left` at the left edge, `right` at the right edge; `left` is cut so that
  // both fit, with at least one space between them.
  void LeftRight(const std::string& left, const std::string& right);
  // A line of `c` over the whole width.
  void Rule(char c = '-');
  void Blank();
  // Text already in UTF-8 (a block of drawing characters, a stored document).
  void RawUtf8(const std::string& utf8);

  const std::string& Utf8() const { return out_; }

 private:
  void Emit(const std::string& cp1251);
  int width_;
  std::string out_;
};
