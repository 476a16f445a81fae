// The customer display, paper feed and cut, diagnostics, and the logo.
#include <cstdint>

#include "sim/money.h"
#include "sim/sim_device.h"
#include "sim/sim_text.h"

using namespace simtext;

// The display is not paper; its lines appear on the roll in a frame so that a
// reader of the roll can follow what the customer sees.
void SimDevice::ShowDisplay() {
  const std::string bar = "────────────────────";
  std::string out = "┌" + bar + "┐ " + ToUtf8(Cp("дисплей")) + "\n";
  for (const auto& l : s_.display) out += "│" + ToUtf8(Fit(l, 20, Align::kLeft)) + "│\n";
  out += "└" + bar + "┘\n";
  roll_.Print(out);
}

namespace {
std::string Printable(const std::string& text, size_t width) {
  std::string t = text.substr(0, width);
  for (char& c : t)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  return t;
}
}  // namespace

SimDevice::Reply SimDevice::ClearDisplay(const std::string&) {
  if (auto r = Refusal(kFm); !r.empty()) return Ack(r);
  s_.display = {};
  ShowDisplay();
  return Ack("00");
}

SimDevice::Reply SimDevice::DisplayLine1(const std::string& data) {
  if (auto r = Refusal(kFm); !r.empty()) return Ack(r);
  s_.display[0] = Printable(data, 20);
  ShowDisplay();
  return Ack("00");
}

SimDevice::Reply SimDevice::DisplayLine2(const std::string& data) {
  if (auto r = Refusal(kFm); !r.empty()) return Ack(r);
  s_.display[1] = Printable(data, 20);
  ShowDisplay();
  return Ack("00");
}

SimDevice::Reply SimDevice::DisplayBoth(const std::string& data) {
  if (auto r = Refusal(kFm); !r.empty()) return Ack(r);
  const std::string t = Printable(data, 40);
  s_.display[0] = t.substr(0, 20);
  s_.display[1] = t.size() > 20 ? t.substr(20) : std::string();
  ShowDisplay();
  return Ack("00");
}

SimDevice::Reply SimDevice::DisplayClock(const std::string&) {
  if (auto r = Refusal(kFm | kClock); !r.empty()) return Ack(r);
  const std::time_t now = Now();
  s_.display[0] = Fit(LocalTime(now, "%d-%m-%Y"), 20, Align::kCentre);
  s_.display[1] = Fit(LocalTime(now, "%H:%M"), 20, Align::kCentre);
  ShowDisplay();
  return Ack("00");
}

// The end of a printed listing: the paper is cut (or torn off).
SimDevice::Reply SimDevice::FinishPrintout(const std::string&) {
  if (s_.paperOut) return Ack("12");
  roll_.Print(s_.autoCut ? "- - - - - - - - ✂ - - - - - - - -\n" : "\n\n");
  return Ack("00");
}

// One line of paper. The motor turns without paper too, so this never refuses.
SimDevice::Reply SimDevice::Feed(const std::string&) {
  if (!s_.paperOut) roll_.Print("\n");
  return Ack("00");
}

SimDevice::Reply SimDevice::Diagnostics(const std::string&) {
  if (auto r = Refusal(kFm | kPaper | kNoReceipt); !r.empty()) return Ack(r);
  Document doc(s_.headerWidth);
  doc.Center(Cp("ДИАГНОСТИКА"));
  doc.Rule('-');
  doc.Line(Version("").payload);
  doc.LeftRight(Cp("ФУ №"), Sprintf("NV%06d", s_.printerNumber));
  doc.LeftRight(Cp("ФП №"), Sprintf("50%06d", s_.memoryNumber));
  doc.LeftRight(Cp("ЕИК"), s_.taxNumber.empty() ? "-" : s_.taxNumber);
  doc.LeftRight(Cp("ФИСКАЛИЗИРАН"), Cp(s_.fiscalized ? "ДА" : "НЕ"));
  doc.LeftRight(Cp("СВОБОДНИ ЗАПИСИ ВЪВ ФП"), Sprintf("%d", FreeFmRecords()));
  doc.LeftRight(Cp("ДЕСЕТИЧНА ТОЧКА"), std::string(1, s_.decimals));
  doc.LeftRight(Cp("ДАНЪЧНИ ГРУПИ"), Sprintf("%d", s_.groupCount));
  doc.LeftRight(Cp("ШИРИНА НА РЕДА"), Sprintf("%d", s_.headerWidth));
  doc.LeftRight(Cp("ЧАСОВНИК"), Cp(s_.clockNotSet || s_.clockIncorrect ? "НЕСВЕРЕН" : "ВЕРЕН"));
  doc.LeftRight(Cp("ЛОГО"), Cp(s_.logoBytes.empty() ? "НЯМА" : "ЗАРЕДЕНО"));
  const std::string status = StatusBytes();
  std::string hex;
  for (unsigned char c : status) hex += Sprintf("%02X ", c);
  doc.LeftRight(Cp("СТАТУС"), hex);
  doc.Line(DateTimeText(Now()));
  doc.Center(Cp("ТЕСТ ЗАВЪРШЕН"));
  doc.Blank();
  Print(doc, false);
  return Printing();
}

// The first 3902 bytes of a 384 x 80, 1-bit bitmap file; kept as sent.
SimDevice::Reply SimDevice::LoadLogo(const std::string& data) {
  if (auto r = Refusal(kFm | kNoReceipt); !r.empty()) return Ack(r);
  if (data.size() != 3902) return Ack("04");
  s_.logoBytes = data;
  return Ack("00");
}

SimDevice::Reply SimDevice::PrintLogo(const std::string&) {
  if (auto r = Refusal(kFm | kPaper | kNoReceipt); !r.empty()) return Ack(r);
  if (s_.logoBytes.size() != 3902) return Ack("02");
  roll_.Print(LogoBlock());
  return Printing();
}

namespace {
uint32_t Le(const std::string& b, size_t at, size_t n) {
  uint32_t v = 0;
  for (size_t i = 0; i < n && at + i < b.size(); ++i)
    v |= static_cast<uint32_t>(static_cast<unsigned char>(b[at + i])) << (8 * i);
  return v;
}
}  // namespace

// The picture drawn with shade characters over the line width, ten text rows
// for its 80 pixel rows. Bytes that are not a 1-bit bitmap print as noise,
// as they would on the real head.
std::string SimDevice::LogoBlock() const {
  const std::string& b = s_.logoBytes;
  const int width = 384, height = 80, stride = 48;
  uint32_t offset = Le(b, 10, 4);
  if (offset < 62 || offset + stride * height > b.size()) offset = 62;
  const int32_t h = static_cast<int32_t>(Le(b, 22, 4));
  const bool topDown = h < 0;
  // The palette entry whose colour is dark is the bit value that prints.
  auto brightness = [&](size_t at) { return Le(b, at, 1) + Le(b, at + 1, 1) + Le(b, at + 2, 1); };
  const int inkBit = brightness(54) <= brightness(58) ? 0 : 1;
  auto ink = [&](int x, int y) {
    const int row = topDown ? y : height - 1 - y;
    const size_t at = offset + static_cast<size_t>(row) * stride + x / 8;
    if (at >= b.size()) return false;
    const int bit = (static_cast<unsigned char>(b[at]) >> (7 - x % 8)) & 1;
    return bit == inkBit;
  };
  const int cols = s_.headerWidth, rows = 10;
  static const char* kShades[] = {" ", "░", "▒", "▓", "█"};
  std::string out;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      const int x0 = c * width / cols, x1 = (c + 1) * width / cols;
      const int y0 = r * height / rows, y1 = (r + 1) * height / rows;
      int on = 0, all = 0;
      for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
          on += ink(x, y) ? 1 : 0;
          ++all;
        }
      out += kShades[all ? (on * 4 + all / 2) / all : 0];
    }
    out += "\n";
  }
  return out;
}
