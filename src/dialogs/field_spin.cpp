#include "dialogs/field_spin.h"

#include <algorithm>

#include "dialogs/ui_text.h"

void ConfigureNumber(NumericEdit* edit, const NumericFieldConfig& c) {
  if (c.decimal)
    edit->ConfigureDecimal(c.minimum, c.maximum, c.decimals, c.length, c.fallback);
  else
    edit->ConfigureInteger(static_cast<int>(c.minimum), static_cast<int>(c.maximum), c.length,
                           static_cast<int>(c.fallback));
}

void TieSpinToField(wxSpinButton* spin, wxTextCtrl* field) {
  spin->Bind(wxEVT_SPIN, [field](wxSpinEvent& e) {
    field->ChangeValue(wxString::Format("%d", e.GetPosition()));
  });
  field->Bind(wxEVT_TEXT, [spin, field](wxCommandEvent& e) {
    const int value = LeadingInteger(ToCp1251(field->GetValue()));
    spin->SetValue(std::clamp(value, spin->GetMin(), spin->GetMax()));
    e.Skip();
  });
}
