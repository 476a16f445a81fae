#pragma once

#include <wx/sizer.h>
#include <wx/spinbutt.h>

#include <initializer_list>
#include <optional>
#include <utility>

#include "dialogs/controls/numeric_edit.h"
#include "dialogs/printer_dialog.h"
#include "driver/records.h"

// What the two article dialogs ("Програмиране на Артикули", "Четене на
// Артикули") share: the article number field (1..1000) with its up-down
// buttons, created first so that it comes first in the tab order; the grid of
// captioned rows above a row of buttons; the opening read of the printer's
// decimal mode; and the read of the article whose number is typed.
class ArticleFormDialog : public PrinterDialog {
 public:
  NumericEdit* Number() const { return number_; }

 protected:
  ArticleFormDialog(wxWindow* parent, const char* title, UiHost* ui, const PrinterLine& line,
                    DialogServices services, int numberId, int numberSpinId);

  // The grid of captioned rows, the number's row first.
  wxFlexGridSizer* Grid() const { return grid_; }
  // Adds a row to the grid: `caption`, then `control` with `spin` beside it.
  void AddRow(const char* caption, wxWindow* control, wxWindow* spin = nullptr);
  // The grid above the buttons (identifier, label), each as wide as the others.
  // The caller sets the returned sizer once its controls are in place.
  wxSizer* Arrange(std::initializer_list<std::pair<int, const char*>> buttons);

  // The printer's decimal mode, from its status; none (and the dialog closed,
  // the user told) when the printer cannot be read.
  std::optional<char> ReadDecimalMode();
  // The article of the number field; none when the field holds no article
  // number or the printer did not read it (the user has been told either way).
  std::optional<ArticleRecord> ReadTypedArticle();

 private:
  NumericEdit* number_ = nullptr;
  wxFlexGridSizer* grid_ = nullptr;
};
