#include "dialogs/line_field.h"

#include "dialogs/controls/monospace_edit.h"

namespace {
// Border and inner margins of a single-line edit, in pixels (GTK's are the widest).
constexpr int kEditMargins = 30;
}  // namespace

wxSize LineFieldSize(wxWindow* parent, int chars) {
  const wxFont font = MonospaceFont();
  int width = 0, height = 0;
  parent->GetTextExtent(wxString(static_cast<size_t>(chars), 'W'), &width, &height, nullptr,
                        nullptr, &font);
  return wxSize(width + kEditMargins, -1);
}
