#include "dialogs/printer_text.h"

#include "driver/cp1251_missing.h"

std::string UnprintableMessage(const std::string& name, const std::vector<std::string>& chars,
                               const std::string& frame) {
  std::string list;
  for (const std::string& ch : chars) {
    if (!list.empty()) list += ", ";
    list += "„" + ch + "“ (" + CodePointName(ch) + ")";
  }
  const std::string where = frame.empty() ? "" : " в „" + frame + "“";
  return "Полето „" + name + "“" + where +
         " съдържа знаци, които принтерът не може да отпечата: " + list +
         ".\nНищо не е изпратено. Заменете ги и опитайте отново.";
}
