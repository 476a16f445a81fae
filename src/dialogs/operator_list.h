#pragma once

#include <functional>
#include <string>
#include <vector>

#include "dialogs/char_counter.h"
#include "driver/fiscal_printer.h"

// The window-free half of the operators dialog: the name counter and the list
// of operators printed on the printer.

constexpr int kOperatorCount = 9;
constexpr int kOperatorNameLimit = 20;
constexpr int kOperatorPasswordLimit = 4;

// The counter beside a name of `length` characters: red above 16.
CharCounter OperatorNameCounter(int length);

// Lines of the printed list (Windows-1251, 34 characters at most): the heading
// and one operator's line, the name and password brought to 20 and 4
// characters.
std::string OperatorListHeading();
std::string OperatorListLine(int number, const std::string& name, const std::string& password);

// Paper fed after the list: 4 lines after a list of the ticked rows, 7 after
// the whole list.
constexpr int kFeedsAfterSelected = 4;
constexpr int kFeedsAfterAll = 7;

// Prints the list of `operators` (numbers 1..9, in the order given): the
// heading, then for each operator a read and its line, then `feeds` paper
// feeds and the end of the printout. `onRead` gets every operator read, before
// its line is printed. Stops at the first failure (the driver has reported it)
// and returns false; the paper is neither fed nor finished then.
bool PrintOperatorList(FiscalPrinter& printer, const std::vector<int>& operators, int feeds,
                       const std::function<void(const OperatorRecord&)>& onRead);
// The same list inside a receipt that the caller goes on with: the heading,
// the lines and the feeds, without the end of the printout.
bool PrintOperatorLines(FiscalPrinter& printer, const std::vector<int>& operators, int feeds,
                        const std::function<void(const OperatorRecord&)>& onRead);
