#include "dialogs/printer_text.h"

#include "driver/cp1251_missing.h"

std::string UnprintableMessage(const std::string& name, const std::vector<std::string>& chars) {
  std::string list;
  for (const std::string& ch : chars) {
    if (!list.empty()) list += ", ";
    list += "„" + ch + "“ (" + CodePointName(ch) + ")";
  }
  return "Полето „" + name + "“ съдържа знаци, които принтерът не може да отпечата: " + list +
         ".\nНищо не е изпратено. Заменете ги и опитайте отново.";
}
