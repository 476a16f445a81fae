#include "link/link_errors.h"

#include "link/prompt_style.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace {

constexpr unsigned kHardStyle = Prompt::kIconStop | Prompt::kRetryCancel;
constexpr unsigned kWarnStyle = Prompt::kIconExclamation | Prompt::kAbortRetryContinue;
const char* const kError = "Грешка";
const char* const kWarning = "Предупреждение";
const char* const kPortInUse = "COM %d се използва от друга програма";

std::string Format(const char* fmt, int a, int b) {
  char buf[512];
  std::snprintf(buf, sizeof buf, fmt, a, b);
  return buf;
}

// The line naming the system's error number. On Windows the number is
// GetLastError()'s; elsewhere it is errno (5 is an I/O error of a pulled
// adapter there, not "access denied"), named as the system names it.
std::string SystemErrorLine(std::string message, int systemError) {
#ifdef _WIN32
  (void)systemError;
  return message;
#else
  const std::string windows = "Код на грешка от GetLastError: ";
  const size_t at = message.find(windows);
  if (at == std::string::npos) return message;
  return message.substr(0, at) + "Системна грешка " + std::to_string(systemError) + ": " +
         std::error_code(systemError, std::generic_category()).message();
#endif
}

}  // namespace

bool PortInUse(int systemError) {
#ifdef _WIN32
  return systemError == ERROR_ACCESS_DENIED || systemError == ERROR_SHARING_VIOLATION;
#else
  return systemError == EBUSY;
#endif
}

std::string PermissionHint(int systemError) {
#ifdef __linux__
  // Serial devices belong to the group dialout; a user outside it is refused
  // (EACCES), which otherwise reads like a missing port.
  if (systemError == EACCES || systemError == EPERM) {
    return "\nНямате права за достъп до порта. Добавете потребителя в групата dialout\n"
           "(sudo usermod -aG dialout ИМЕ) и влезте отново в системата.";
  }
#else
  (void)systemError;
#endif
  return "";
}

std::optional<LinkMessage> LinkErrorMessage(int code, int port, int systemError) {
  const char* text = nullptr;
  bool warning = false;
  switch (code) {
    case 1:
      text = PortInUse(systemError) ? kPortInUse : "Не може да бъде отворен COM %d";
      break;
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
      text = "COM %d не е готов при инициализация\nКод на грешка от GetLastError: %d";
      break;
    case 7:
      text = "Handle на COM %d е невалиден (Send)";
      break;
    case 8:
      text = "COM %d не е готов (Send)\nКод на грешка от GetLastError: %d";
      break;
    case 9:
      text = "Броят на байтовете, които се изпращат\nе различен от реално изпратените";
      break;
    case 10:
      text =
          "Няма отговор от COM %d\n(или не са получени всички байтове, \nкоито трябва да се "
          "получат)";
      break;
    case 11:
      text = "Handle на COM %d е невалиден (Read)";
      break;
    case 12:
      text = "COM %d не е готов (Read)\nКод на грешка от GetLastError: %d";
      break;
    case 13:
      text = "Броят на байтовете, които трябва да се\nполучат е различен от реално получените";
      break;
    case 15:
      text = "Полученият стринг съдържа нулев байт";
      break;
    case 16:
      text = "Грешна контролна сума на получения ACK";
      warning = true;
      break;
    case 17:
      text = "Номерът на блок е различен, при получения ACK";
      warning = true;
      break;
    case 18:
      text = "Твърде много получени REPEAT(над 100)";
      break;
    case 19:
      text = "Начало на съобщение различно от STX, ACK, NACK, и REPEAT";
      break;
    case 20:
      text = "Грешна контролна сума на получения STX";
      warning = true;
      break;
    case 21:
      text = "Получен е NACK";
      break;
    case 22:
      text = "Различен номер на блок, при получения STX";
      warning = true;
      break;
    case 23:
      text = "Подадената команда е различна, при получения STX";
      warning = true;
      break;
    case 50:
      text = "Фискалният принтер е зает";
      break;
    case 52:
      text = "Няма връзка с Фискалния принтер";
      break;
    default:
      return std::nullopt;
  }
  std::string message = SystemErrorLine(Format(text, port, systemError), systemError);
  if (code == 1) message += PermissionHint(systemError);
  return LinkMessage{message, warning ? kWarning : kError, warning ? kWarnStyle : kHardStyle};
}

std::optional<LinkMessage> CommandErrorMessage(const std::string& code) {
  const char first = code.size() > 0 ? code[0] : '\0';
  const char second = code.size() > 1 ? code[1] : '\0';
  std::string text;
  switch (second) {
    case '0':
      text = "\n";
      break;
    case '1':
      text = "Невалидна команда\n";
      break;
    case '2':
      text = "Непозволена команда\n";
      break;
    case '3':
      text = "Непозволена команда поради ненулев отчет\n";
      break;
    case '4':
      text = "Синтактична грешка\n";
      break;
    case '5':
      text = "Синтактична грешка, препълнени входящи регистри\n";
      break;
    case '6':
      text = "Синтактична грешка, нулев входен регистър\n";
      break;
    case '7':
      text = "Не е открита транзакция за войдиране\n";
      break;
    case '8':
      text = "Недостатъчна налична сума\n";
      break;
    case '9':
      text = "Конфликт в данъчните групи\n";
      break;
    default:
      text = "Непозната грешка\n";
      break;
  }
  switch (first) {
    case '0':
      break;
    case '1':
      text += "Няма хартия или неизправен принтер";
      break;
    case '2':
      text += "Препълване в общите регистри";
      break;
    case '3':
      text += "Несверен / грешен часовник";
      break;
    case '4':
      text += "Отворен фискален бон";
      break;
    case '5':
      text += "Сметка с остатък за плащане (Отворен бон)";
      break;
    case '6':
      text += "Отворен нефискален бон";
      break;
    case '8':
      text += "Грешна фискална памет";
      break;
    case '9':
      text += "Грешна парола";
      break;
    case 'C':
      text += "Прегрята термоглава на принтера";
      break;
    case 'E':
      text += "Препълнена ЕКЛ";
      break;
    case 'F':
      text += "Недостатъчни условия";
      break;
    default:
      text += "Непозната грешка";
      break;
  }
  // "Shorter than two characters" is counted in the printer's single-byte
  // encoding: only the bare "\n" of "00" stays below it.
  if (text.size() < 2) return std::nullopt;
  return LinkMessage{text, kError, 0x12};
}
