// The graphic logo: upload of a bitmap file's first bytes and a test print.

#include <cstdio>
#include <memory>

#include "driver/commands.h"
#include "driver/fiscal_printer.h"
#include "driver/status_flags.h"
#include "link/prompt_style.h"
#include "link/utf8_file.h"

namespace {

constexpr uint32_t kReqLoadLogo =
    Require::kFactoryNumbers | Require::kNoOpenReceipt | Require::kClock | Require::kFiscalMemory;
constexpr uint32_t kReqPrintLogo = Require::kFactoryNumbers | Require::kNoOpenReceipt |
                                   Require::kPaper | Require::kClock | Require::kFiscalMemory;

// The logo frame carries exactly this many bytes: a 384 x 80 one-bit bitmap
// with its file header.
constexpr size_t kLogoBytes = 3902;

// Reads at most kLogoBytes from the start of the file named by the UTF-8 text
// `path`; fewer when the file is shorter or cannot be read (an unopenable file
// gives nothing).
std::string ReadLogoBytes(const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenFileUtf8(path, "rb"), &std::fclose);
  if (!file) return std::string();
  std::string bytes(kLogoBytes, '\0');
  const size_t n = std::fread(bytes.data(), 1, kLogoBytes, file.get());
  bytes.resize(n);
  return bytes;
}

}  // namespace

std::string FiscalPrinter::LoadLogo(const std::string& path) {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqLoadLogo).empty()) return "";
  const std::string bytes = ReadLogoBytes(path);
  if (bytes.size() < kLogoBytes) {
    ShowPrompt(PromptId::kLogoLoadError, "Грешка при зареждане на лого", "Грешка",
               Prompt::kIconStop, 1);
    return EndAfterPrompt(CallEnd::kFileFailed);
  }
  return Transact(Cmd::kLoadLogo, bytes);
}

std::string FiscalPrinter::PrintLogo() {
  StatusFlags flags{};
  if (CheckStatus(flags, kReqPrintLogo).empty()) return "";
  std::string result = Transact(Cmd::kPrintLogo, "");
  // Two lines of paper after the logo, each only when the step before succeeded.
  if (!result.empty()) result = FeedPaper();
  if (!result.empty()) result = FeedPaper();
  return result;
}
