#pragma once

#include <wx/spinbutt.h>
#include <wx/textctrl.h>

#include "dialogs/controls/numeric_edit.h"
#include "dialogs/receipt_fields.h"

// Small pieces the article and department dialogs share.

// Gives `edit` the configuration `c` (integer or decimal, range, length, default).
void ConfigureNumber(NumericEdit* edit, const NumericFieldConfig& c);

// Ties an up-down control to the number field beside it: a step writes the new
// number into the field, and a number typed into the field moves the up-down
// control (clamped to its range). Both must belong to the same dialog.
void TieSpinToField(wxSpinButton* spin, wxTextCtrl* field);
