#include "link/link_errors.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <map>

namespace {

struct Expected {
  std::string text;
  std::string caption;
  unsigned style;
};

// Port 3, system error 5 wherever a message has a second number.
const std::map<int, Expected>& Table() {
  static const std::map<int, Expected> t = {
      {1, {"Не може да бъде отворен COM 3", "Грешка", 0x15}},
      {2, {"COM 3 не е готов при инициализация\nКод на грешка от GetLastError: 5", "Грешка", 0x15}},
      {3, {"COM 3 не е готов при инициализация\nКод на грешка от GetLastError: 5", "Грешка", 0x15}},
      {4, {"COM 3 не е готов при инициализация\nКод на грешка от GetLastError: 5", "Грешка", 0x15}},
      {5, {"COM 3 не е готов при инициализация\nКод на грешка от GetLastError: 5", "Грешка", 0x15}},
      {6, {"COM 3 не е готов при инициализация\nКод на грешка от GetLastError: 5", "Грешка", 0x15}},
      {7, {"Handle на COM 3 е невалиден (Send)", "Грешка", 0x15}},
      {8, {"COM 3 не е готов (Send)\nКод на грешка от GetLastError: 5", "Грешка", 0x15}},
      {9,
       {"Броят на байтовете, които се изпращат\nе различен от реално изпратените", "Грешка", 0x15}},
      {10,
       {"Няма отговор от COM 3\n(или не са получени всички байтове, \nкоито трябва да се получат)",
        "Грешка", 0x15}},
      {11, {"Handle на COM 3 е невалиден (Read)", "Грешка", 0x15}},
      {12, {"COM 3 не е готов (Read)\nКод на грешка от GetLastError: 5", "Грешка", 0x15}},
      {13,
       {"Броят на байтовете, които трябва да се\nполучат е различен от реално получените", "Грешка",
        0x15}},
      {15, {"Полученият стринг съдържа нулев байт", "Грешка", 0x15}},
      {16, {"Грешна контролна сума на получения ACK", "Предупреждение", 0x32}},
      {17, {"Номерът на блок е различен, при получения ACK", "Предупреждение", 0x32}},
      {18, {"Твърде много получени REPEAT(над 100)", "Грешка", 0x15}},
      {19, {"Начало на съобщение различно от STX, ACK, NACK, и REPEAT", "Грешка", 0x15}},
      {20, {"Грешна контролна сума на получения STX", "Предупреждение", 0x32}},
      {21, {"Получен е NACK", "Грешка", 0x15}},
      {22, {"Различен номер на блок, при получения STX", "Предупреждение", 0x32}},
      {23, {"Подадената команда е различна, при получения STX", "Предупреждение", 0x32}},
      {50, {"Фискалният принтер е зает", "Грешка", 0x15}},
      {52, {"Няма връзка с Фискалния принтер", "Грешка", 0x15}},
  };
  return t;
}

TEST(LinkErrors, EveryCodeHasItsMessageOrNone) {
  for (int code = -5; code <= 300; ++code) {
    const auto msg = LinkErrorMessage(code, 3, 5);
    const auto it = Table().find(code);
    const Expected* want = it == Table().end() ? nullptr : &it->second;
#ifdef _WIN32
    // There system error 5 is ERROR_ACCESS_DENIED: the port is in use.
    static const Expected kInUse{"COM 3 се използва от друга програма", "Грешка", 0x15};
    if (code == 1) want = &kInUse;
#endif
    if (!want) {
      EXPECT_FALSE(msg) << "code " << code << " must be silent";
      continue;
    }
    ASSERT_TRUE(msg) << "code " << code;
#ifndef _WIN32
    // errno, named as the system names it: no Windows call in the text.
    std::string text = want->text;
    const std::string windows = "Код на грешка от GetLastError: 5";
    if (const size_t at = text.find(windows); at != std::string::npos)
      text.replace(at, windows.size(), "Системна грешка 5: Input/output error");
    EXPECT_EQ(msg->text, text) << code;
#else
    EXPECT_EQ(msg->text, want->text) << code;
#endif
    EXPECT_EQ(msg->caption, want->caption) << code;
    EXPECT_EQ(msg->style, want->style) << code;
  }
}

TEST(LinkErrors, OpenRefusedForLackOfPermissionSaysHowToGetIt) {
  const auto refused = LinkErrorMessage(1, 2, EACCES);
  ASSERT_TRUE(refused);
#ifdef __linux__
  EXPECT_EQ(refused->text.rfind("Не може да бъде отворен COM 2\n", 0), 0u) << refused->text;
  EXPECT_NE(refused->text.find("dialout"), std::string::npos) << refused->text;
  EXPECT_EQ(LinkErrorMessage(1, 2, EPERM)->text, refused->text);
#endif
  // A missing device is not a permission matter.
  EXPECT_EQ(LinkErrorMessage(1, 2, ENOENT)->text, "Не може да бъде отворен COM 2");
}

TEST(LinkErrors, APortAnotherProgramHoldsIsNamedAsInUse) {
  const struct {
    int systemError;
    bool inUse;
  } kCases[] = {
#ifdef _WIN32
      {5, true},    // ERROR_ACCESS_DENIED: a COM port opens for one program only
      {32, true},   // ERROR_SHARING_VIOLATION
      {2, false},   // ERROR_FILE_NOT_FOUND
      {16, false},  // EBUSY's number means something else here
#else
      {EBUSY, true},  // the lock, or another program's exclusive flag
      {ENOENT, false},
      {EACCES, false},
      {EIO, false},
#endif
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(PortInUse(c.systemError), c.inUse) << c.systemError;
    const std::string text = LinkErrorMessage(1, 4, c.systemError)->text;
    if (c.inUse)
      EXPECT_EQ(text, "COM 4 се използва от друга програма") << c.systemError;
    else
      EXPECT_EQ(text.rfind("Не може да бъде отворен COM 4", 0), 0u) << c.systemError;
    // Only the open has this reading: a failed write stays a failed write.
    EXPECT_EQ(LinkErrorMessage(8, 4, c.systemError)->text.find("друга програма"),
              std::string::npos);
  }
}

TEST(CommandErrors, CombinesCommandAndPrinterTexts) {
  const std::map<char, std::string> command = {
      {'0', "\n"},
      {'1', "Невалидна команда\n"},
      {'2', "Непозволена команда\n"},
      {'3', "Непозволена команда поради ненулев отчет\n"},
      {'4', "Синтактична грешка\n"},
      {'5', "Синтактична грешка, препълнени входящи регистри\n"},
      {'6', "Синтактична грешка, нулев входен регистър\n"},
      {'7', "Не е открита транзакция за войдиране\n"},
      {'8', "Недостатъчна налична сума\n"},
      {'9', "Конфликт в данъчните групи\n"},
  };
  const std::map<char, std::string> printer = {
      {'0', ""},
      {'1', "Няма хартия или неизправен принтер"},
      {'2', "Препълване в общите регистри"},
      {'3', "Несверен / грешен часовник"},
      {'4', "Отворен фискален бон"},
      {'5', "Сметка с остатък за плащане (Отворен бон)"},
      {'6', "Отворен нефискален бон"},
      {'8', "Грешна фискална памет"},
      {'9', "Грешна парола"},
      {'C', "Прегрята термоглава на принтера"},
      {'E', "Препълнена ЕКЛ"},
      {'F', "Недостатъчни условия"},
  };
  const std::string chars = "0123456789ABCDEFGZc;";
  for (char first : chars) {
    for (char second : chars) {
      const std::string code{first, second};
      const auto cmd = command.count(second) ? command.at(second) : "Непозната грешка\n";
      const auto prn = printer.count(first) ? printer.at(first) : "Непозната грешка";
      const auto msg = CommandErrorMessage(code);
      if (code == "00") {
        EXPECT_FALSE(msg);
        continue;
      }
      ASSERT_TRUE(msg) << code;
      EXPECT_EQ(msg->text, cmd + prn) << code;
      EXPECT_EQ(msg->caption, "Грешка");
      EXPECT_EQ(msg->style, 0x12u);
    }
  }
}

TEST(CommandErrors, ExamplesReadNaturally) {
  EXPECT_EQ(CommandErrorMessage("01")->text, "Невалидна команда\n");
  EXPECT_EQ(CommandErrorMessage("10")->text, "\nНяма хартия или неизправен принтер");
  EXPECT_EQ(CommandErrorMessage("70")->text, "\nНепозната грешка");
}

}  // namespace
