#pragma once

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/sizer.h>
#include <wx/spinbutt.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/tglbtn.h>

#include <array>
#include <memory>
#include <optional>

#include "dialogs/controls/color_label.h"
#include "dialogs/controls/monospace_edit.h"
#include "dialogs/controls/numeric_edit.h"
#include "dialogs/printer_dialog.h"
#include "dialogs/receipt_actions.h"

// "Операции с бонове": runs a receipt on the printer step by step. Every button
// opens its own FiscalPrinter on `line` with `ui` as host, runs the commands of
// its group of fields and closes the driver before the handler returns; the
// dialog keeps no receipt state and always asks the printer.
//
// Opening reads the status (the decimal mode of the amount fields comes from
// it); when the printer cannot be reached the dialog closes itself before the
// user can act. "Exit", Escape and the close box end it with kResultChanged (1),
// and so does closing itself: a receipt may have been touched either way. The
// invoice data comes from InvoiceDataDialog, run over this dialog.
//
// receipt_frames.cpp builds the window; receipt_actions.* (window-free) runs
// the commands of each button; receipt_fields.* configures the number fields.
class ReceiptDialog : public PrinterDialog {
 public:
  // Control ids.
  enum {
    kIdOperator = 1274,
    kIdOperatorSpin = 1443,
    kIdOpenService = 1321,
    kIdOpenFiscal = 1273,
    kIdWithVat = 1322,
    kIdDetailed = 1323,
    kIdInvoice = 1460,
    kIdCloseService = 1001,
    kIdCloseFiscal = 1275,
    kIdLastReceipt = 1305,
    kIdGetLastReceipt = 1306,
    kIdDuplicate = 1309,
    kIdArticleNumber = 1287,
    kIdArticleQuantity = 1285,
    kIdArticlePercent = 1286,
    kIdArticleSell = 1288,
    kIdArticleVoid = 1289,
    kIdSubtotalPrint = 1292,
    kIdSubtotalDisplay = 1293,
    kIdSubtotalIsAmount = 1294,
    kIdSubtotalValue = 1290,
    kIdSubtotalUnit = 1291,
    kIdSubtotalSum = 1295,
    kIdApply = 1296,
    kIdItemName = 1276,
    kIdTaxGroup = 1451,
    kIdItemPrice = 1280,
    kIdItemQuantity = 1281,
    kIdItemPercent = 1282,
    kIdItemSell = 1283,
    kIdItemVoid = 1284,
    kIdDepartmentName = 1277,
    kIdDepartmentNumber = 1182,
    kIdDepartmentSpin = 1444,
    kIdDepartmentPrice = 1297,
    kIdDepartmentQuantity = 1298,
    kIdDepartmentPercent = 1299,
    kIdDepartmentSell = 1300,
    kIdDepartmentVoid = 1301,
    kIdFreeText = 1307,
    kIdAlignment = 1324,
    kIdPrintText = 1308,
    kIdInfoOpen = 1310,
    kIdInfoWithVat = 1312,
    kIdInfoVoidForbidden = 1311,
    kIdInfoDetailed = 1313,
    kIdInfoPaymentStarted = 1314,
    kIdInfoPaymentFinished = 1315,
    kIdInfoInvoice = 1331,
    kIdInfoLastChange = 1332,
    kIdInfoLastChangeType = 1333,
    kIdInfoPurchases = 1319,
    kIdInfoGroupA = 1316,  // А, Б, В are 1316..1318
    kIdInfoGroupD = 1326,  // Г..З are 1326..1330
    kIdInformation = 1320,
    kIdPaymentType = 1452,
    kIdNoChange = 1304,
    kIdChangeType = 1459,
    kIdPaymentAmount = 1302,
    kIdPay = 1303,
    kIdExit = 1325,
  };

  // `ui` (not owned) must outlive the dialog; without one the dialog shows its
  // prompts itself through a GuiUiHost of its own.
  ReceiptDialog(wxWindow* parent, UiHost* ui, const PrinterLine& line,
                DialogServices services = {});

  // The opening steps that talk to the printer: read the status, configure the
  // amount fields by the decimal mode, show the open receipt. Returns false
  // (and closes the dialog) when the printer cannot be reached. ShowModal runs
  // it first.
  bool Open();

  // '2' two decimals, '0' whole numbers (valid after Open).
  char DecimalMode() const { return decimalMode_; }

  // The values of the controls as the commands take them.
  ReceiptForm Form() const;

  // The three group subtotal ids in order А..З.
  static int GroupId(int group) {
    return group < 3 ? kIdInfoGroupA + group : kIdInfoGroupD + group - 3;
  }

 protected:
  bool ReadAtOpening() override { return Open(); }

 private:
  // One number field with the configuration it was last given.
  struct NumberField {
    NumericEdit* edit = nullptr;
    NumericFieldConfig config;
    void Configure(const NumericFieldConfig& c);
    // The number the field holds within its range (an integer field counts by
    // its leading integer, and may hold a trailing '-'); 0 when it holds none.
    // Actions check their fields with ReadField before they take this.
    double Value() const;
  };

  void BuildControls();
  wxSizer* BuildOpenFrame();
  wxSizer* BuildCloseFrame();
  wxSizer* BuildArticleFrame();
  wxSizer* BuildSubtotalFrame();
  wxSizer* BuildItemFrame();
  wxSizer* BuildDepartmentFrame();
  wxSizer* BuildTextFrame();
  wxSizer* BuildInfoFrame();
  wxSizer* BuildPaymentFrame();
  NumberField& AddNumber(NumberField& field, int id, wxWindow* parent, int widthChars);
  // The quantity and percent rows every kind of sale has, in a three-column grid.
  void AddQuantityAndPercent(wxFlexGridSizer* grid, wxWindow* parent, NumberField& quantity,
                             int quantityId, NumberField& percent, int percentId);

  void ConfigureByMode();
  // Whether every number field `action` reads holds a number it may send;
  // when one does not, the user has been told which.
  bool NumbersReady(ReceiptAction action);
  // The same for the texts `action` prints; puts them into `form` as the
  // printer takes them.
  bool TextsReady(ReceiptAction action, ReceiptForm& form);
  void RunAction(ReceiptAction action);
  void RunInformation();
  // Releases `printer`'s port, runs "Информация" on its own driver, takes it back.
  void RefreshWhileHolding(FiscalPrinter& printer);
  void ShowState(const std::optional<ReceiptState>& state);
  void RecreateFreeText(int alignment);
  // Puts `spin` at the number `text` starts with, within its range.
  static void FollowField(wxSpinButton* spin, const wxString& text);

  void OnButton(wxCommandEvent& event);
  void OnIsAmountChanged(wxCommandEvent&);
  void OnAlignmentChanged(wxCommandEvent&);

  char decimalMode_ = '2';
  InvoiceDataSource invoiceSource_;

  NumberField operator_, articleNumber_, articleQuantity_, articlePercent_;
  NumberField subtotalValue_, subtotalSum_;
  NumberField itemPrice_, itemQuantity_, itemPercent_;
  NumberField departmentPrice_, departmentQuantity_, departmentPercent_;
  NumberField lastChange_, lastChangeType_, purchases_;
  std::array<NumberField, 8> groups_;
  NumberField paymentAmount_;

  wxSpinButton* operatorSpin_ = nullptr;
  wxSpinButton* departmentSpin_ = nullptr;
  wxCheckBox* withVat_ = nullptr;
  wxCheckBox* detailed_ = nullptr;
  wxCheckBox* invoice_ = nullptr;
  wxCheckBox* subtotalPrint_ = nullptr;
  wxCheckBox* subtotalDisplay_ = nullptr;
  wxCheckBox* subtotalIsAmount_ = nullptr;
  wxStaticText* subtotalUnit_ = nullptr;
  ColorLabel* lastReceipt_ = nullptr;
  wxTextCtrl* itemName_ = nullptr;
  wxTextCtrl* departmentName_ = nullptr;
  wxTextCtrl* departmentNumber_ = nullptr;
  wxTextCtrl* freeText_ = nullptr;
  wxChoice* taxGroup_ = nullptr;
  wxChoice* alignment_ = nullptr;
  wxChoice* paymentType_ = nullptr;
  wxChoice* changeType_ = nullptr;
  wxToggleButton* noChange_ = nullptr;
  std::array<wxCheckBox*, 7> infoBoxes_{};
  std::array<bool, 7> infoShown_{};  // what the information boxes show
};
