// The printer's configuration tables: header (cliché) lines, articles and the
// print parameters.

#include "driver/amounts.h"
#include "driver/commands.h"
#include "driver/fiscal_printer.h"
#include "driver/limits.h"
#include "driver/status_flags.h"
#include "driver/text.h"

namespace {

constexpr uint32_t kReqSetHeaderLine = Require::kFactoryNumbers | Require::kNoOpenReceipt |
                                       Require::kDailyZeroed | Require::kClock |
                                       Require::kFiscalMemory;
constexpr uint32_t kReqReadHeaderLine = Require::kFiscalMemory;
constexpr uint32_t kReqSetArticle = Require::kFactoryNumbers | Require::kNoOpenReceipt |
                                    Require::kArticleZeroed | Require::kClock |
                                    Require::kFiscalMemory;
constexpr uint32_t kReqReadArticle =
    Require::kFactoryNumbers | Require::kNoOpenReceipt | Require::kClock | Require::kFiscalMemory;
constexpr uint32_t kReqSetParameters =
    Require::kFactoryNumbers | Require::kNoOpenReceipt | Require::kFiscalMemory;
constexpr uint32_t kReqReadParameters = Require::kFactoryNumbers | Require::kFiscalMemory;

constexpr int kAlignLeft = 0;
constexpr int kAlignCentre = 1;
constexpr int kAlignRight = 2;

// A flag of the parameters reply: anything but '0' is on; a missing character
// reads as off.
bool FlagAt(const std::string& reply, size_t pos) {
  const char c = CharAt(reply, pos);
  return c != '\0' && c != '0';
}

}  // namespace

std::string FiscalPrinter::SetHeaderLine(int line, const std::string& text, int alignment,
                                         int width) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqSetHeaderLine).empty()) return "";
  if (line < Limit::kFirstHeaderLine || line > Limit::kLastHeaderLine)
    return EndOutOfRange(
        RangeMessage("Номерът на реда", Limit::kFirstHeaderLine, Limit::kLastHeaderLine));
  return Transact(Cmd::kSetHeaderLine,
                  Sprintf("%.1d;", line) + FitText(text, width, alignment, ' '));
}

std::string FiscalPrinter::ReadHeaderLine(int line, HeaderLine& header) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqReadHeaderLine).empty()) return "";
  if (line < Limit::kFirstHeaderLine || line > Limit::kLastHeaderLine)
    return EndOutOfRange(
        RangeMessage("Номерът на реда", Limit::kFirstHeaderLine, Limit::kLastHeaderLine));
  const std::string reply = Transact(Cmd::kReadHeaderLine, Sprintf("%.1d", line));
  if (reply.empty()) return reply;

  // "n;" + the line as the printer keeps it + one closing character.
  const std::string kept = reply.size() > 3 ? reply.substr(2, reply.size() - 3) : std::string();
  header.line = FieldInt(reply, 0, 0);
  header.width = static_cast<int>(kept.size());

  // The alignment is guessed from the fill spaces around the text.
  const std::string noLeading = RemoveChar(kept, ' ', 1);
  const std::string stripped = RemoveChar(noLeading, ' ', 2);
  const long leading = static_cast<long>(kept.size() - noLeading.size());
  const long trailing = static_cast<long>(noLeading.size() - stripped.size());
  if (stripped.empty()) {
    header.alignment = kAlignCentre;
    header.text.clear();
  } else if (leading - trailing >= -1 && leading - trailing <= 1) {
    header.alignment = kAlignCentre;
    header.text = stripped;
  } else if (leading == 0) {
    header.alignment = kAlignLeft;
    header.text = stripped;
  } else if (trailing == 0) {
    header.alignment = kAlignRight;
    header.text = stripped;
  } else {
    // Spaces on both sides but not balanced: keep them, they are the text's.
    header.alignment = kAlignCentre;
    header.text = kept;
  }
  return "OK";
}

std::string FiscalPrinter::SetArticle(int number, const std::string& name, double price,
                                      int taxGroup, uint8_t department) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqSetArticle).empty()) return "";
  if (number < Limit::kFirstArticle || number > Limit::kLastArticle)
    return EndOutOfRange(
        RangeMessage("Номерът на артикула", Limit::kFirstArticle, Limit::kLastArticle));
  if (taxGroup < Limit::kFirstTaxGroup || taxGroup > Limit::kLastTaxGroup)
    return EndOutOfRange(
        RangeMessage("Данъчната група", Limit::kFirstTaxGroup, Limit::kLastTaxGroup));
  // The department travels as 0x80 + its number, so it must fit below 0x80.
  if (department > Limit::kLastDepartmentByte)
    return EndOutOfRange(RangeMessage("Номерът на департамента", 0, Limit::kLastDepartmentByte));
  if (!(price >= 0.0)) return EndOutOfRange("Цената не може да е отрицателна");

  char mode = 0;
  if (!Done(ReadDecimalPoint(mode))) return "";
  const bool twoDecimals = mode == '2';
  if (price > Limit::MaxAmount(mode))
    return EndOutOfRange("Цената трябва да е от 0 до " +
                         MoneyFormat(mode).InMessage(Limit::MaxAmount(mode)));

  std::string data = Sprintf("%.5d;", number);
  data += FitText(name, Limit::kArticleName, kAlignLeft, ' ');
  data += ';';
  data += twoDecimals ? Sprintf("%09.2f", price) : Sprintf("%09.f", price);
  data += ';';
  data += static_cast<char>(0xC0 + taxGroup);
  data += ';';
  data += static_cast<char>(0x80 + department);
  data += ';';
  return Transact(Cmd::kSetArticle, data);
}

std::string FiscalPrinter::ReadArticle(int number, ArticleRecord& article) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqReadArticle).empty()) return "";
  if (number < Limit::kFirstArticle || number > Limit::kLastArticle)
    return EndOutOfRange(
        RangeMessage("Номерът на артикула", Limit::kFirstArticle, Limit::kLastArticle));
  const std::string reply = Transact(Cmd::kReadArticle, Sprintf("%.5d", number));
  if (reply.empty()) return reply;

  article.number = FieldInt(reply, 0, 4);
  article.name = RemoveChar(Field(reply, 6, 25), ' ', 2);
  article.price = FieldDouble(reply, 27, 37);
  article.taxGroup = CharAt(reply, 39) & 0x07;
  article.turnover = FieldDouble(reply, 41, 51);
  article.soldQuantity = FieldDouble(reply, 53, 63);
  article.reportNumber = FieldInt(reply, 65, 69);
  article.lastReportTime = ParseDateTime(Field(reply, 71, 86));
  article.department = reply.size() > 88 ? static_cast<uint8_t>(reply[88] & 0x7F) : 0;
  return "OK";
}

std::string FiscalPrinter::SetParameters(const PrintParameters& params) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqSetParameters).empty()) return "";
  if (params.deviceNumber < 0 || params.deviceNumber > Limit::kLastDeviceNumber)
    return EndOutOfRange(RangeMessage("Номерът на устройството", 0, Limit::kLastDeviceNumber));
  auto bit = [](bool on) { return on ? '1' : '0'; };
  return Transact(Cmd::kSetParameters,
                  Sprintf("%.4d;%c;%c;%c;%c;%c;%c;", params.deviceNumber, bit(params.logo),
                          bit(params.drawer), bit(params.autoCut), bit(params.transparentDisplay),
                          bit(params.shortJournal), bit(params.currency)));
}

std::string FiscalPrinter::ReadParameters(PrintParameters& params) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqReadParameters).empty()) return "";
  const std::string reply = Transact(Cmd::kReadParameters, "");
  if (reply.empty()) return reply;

  params.deviceNumber = FieldInt(reply, 0, 3);
  params.logo = FlagAt(reply, 5);
  params.drawer = FlagAt(reply, 7);
  params.autoCut = FlagAt(reply, 9);
  params.transparentDisplay = FlagAt(reply, 11);
  // The reply may stop after the fourth flag.
  params.shortJournal = reply.size() > 13 && FlagAt(reply, 13);
  params.currency = reply.size() > 15 && FlagAt(reply, 15);
  return "OK";
}
