#include "app/main_dialog.h"

#include <wx/busyinfo.h>
#include <wx/button.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include "app/about_dialog.h"
#include "app/distributor.h"
#include "app/main_menu.h"
#include "app/menu_routes.h"
#include "app/report_file.h"
#include "dialogs/program_icon.h"
#include "link/settings.h"

namespace {

void PlainMessageBox(wxWindow* owner, const wxString& text, const wxString& caption) {
  wxMessageBox(text, caption, wxOK | wxICON_NONE, owner);
}

}  // namespace

int BaudRateForIndex(int index) {
  switch (index) {
    case 1:
      return 19200;
    case 2:
      return 38400;
    case 3:
      return 57600;
    case 4:
      return 115200;
    default:
      return 9600;
  }
}

int IndexForBaudRate(int baud) {
  for (int i = 1; i <= 4; ++i)
    if (BaudRateForIndex(i) == baud) return i;
  return 0;
}

MainDialog::MainDialog() : MainDialog(StandardMenuRoutes()) {}

MainDialog::MainDialog(MenuRoutes routes)
    : wxFrame(nullptr, wxID_ANY, wxString::FromUTF8("Фискален Принтер NORK"), wxDefaultPosition,
              wxDefaultSize, wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX),
      routes_(std::move(routes)),
      host_(this) {
  context_.window = this;
  context_.ui = &host_;
  context_.chooseSaveFile = ChooseReportFile;
  context_.messageBox = PlainMessageBox;

  SetIcons(ProgramIcons());
  SetMenuBar(BuildMainMenuBar());

  auto* panel = new wxPanel(this);
  wxArrayString ports;
  for (int i = 1; i <= 8; ++i) ports.Add(wxString::Format("COM %d", i));
  ports_ = new wxChoice(panel, kPortList, wxDefaultPosition, wxDefaultSize, ports);
  const wxString speedNames[] = {"9600", "19200", "38400", "57600", "115200"};
  speeds_ = new wxChoice(panel, kSpeedList, wxDefaultPosition, wxDefaultSize, 5, speedNames);
  auto* exit = new wxButton(panel, wxID_OK, "Exit");
  exit->SetDefault();
  auto* search = new wxButton(panel, kSearchButton, wxString::FromUTF8("Търсене"));
  search->SetToolTip(
      wxString::FromUTF8("Търсене на фискалния принтер по всички портове и скорости"));

  auto* grid = new wxFlexGridSizer(3, 8, 10);
  grid->Add(new wxStaticText(panel, wxID_ANY, "COM:"), 0, wxALIGN_CENTRE_VERTICAL);
  grid->Add(ports_, 1, wxEXPAND);
  grid->Add(search, 0, wxALIGN_CENTRE_VERTICAL);
  grid->Add(new wxStaticText(panel, wxID_ANY, wxString::FromUTF8("Скорост:")), 0,
            wxALIGN_CENTRE_VERTICAL);
  grid->Add(speeds_, 1, wxEXPAND);
  grid->AddSpacer(0);
  grid->AddGrowableCol(1);
  auto* all = new wxBoxSizer(wxHORIZONTAL);
  all->Add(grid, 1, wxALL, 14);
  all->Add(exit, 0, wxTOP | wxRIGHT | wxBOTTOM, 14);
  panel->SetSizer(all);
  auto* frameSizer = new wxBoxSizer(wxVERTICAL);
  frameSizer->Add(panel, 1, wxEXPAND);
  SetSizerAndFit(frameSizer);
  // Wide enough for the menu bar's titles as well.
  SetClientSize(std::max(GetClientSize().x, 300), GetClientSize().y);
  SetMinSize(GetSize());
  SetMaxSize(GetSize());

  // Every run starts at COM 1 and 9600 baud.
  ports_->SetSelection(0);
  speeds_->SetSelection(0);
  context_.line = PrinterLine{1, 9600};

  distributorMode_ = ReadDistributorMode();
  UpdateItems();

  ports_->Bind(wxEVT_CHOICE, &MainDialog::OnPortChosen, this);
  speeds_->Bind(wxEVT_CHOICE, &MainDialog::OnSpeedChosen, this);
  exit->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Close(); });
  search->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Search(); });
  Bind(wxEVT_MENU, &MainDialog::OnMenuItem, this, ToolkitMenuId(menu_id::kFirst),
       ToolkitMenuId(menu_id::kLast));
  Bind(wxEVT_UPDATE_UI, &MainDialog::OnUpdateItem, this, ToolkitMenuId(menu_id::kFirst),
       ToolkitMenuId(menu_id::kLast));
  Bind(wxEVT_MENU, &MainDialog::OnMenuItem, this, tools_id::kFirst, tools_id::kLast);
  Bind(wxEVT_UPDATE_UI, &MainDialog::OnUpdateItem, this, tools_id::kFirst, tools_id::kLast);
  Bind(wxEVT_MENU, &MainDialog::OnAbout, this, menu_id::kAbout);
  Centre();
}

bool MainDialog::ItemAllowed(int id) const {
  if (!routes_.count(id)) return false;
  if (id == menu_id::kFactoryNumbers) return distributorMode_;
  return true;
}

void MainDialog::UpdateItems() {
  for (int id : MainMenuItemIds()) {
    if ((id >= menu_id::kFirst && id <= menu_id::kLast) ||
        (id >= tools_id::kFirst && id <= tools_id::kLast)) {
      GetMenuBar()->Enable(ToolkitMenuId(id), ItemAllowed(id));
    }
  }
}

bool MainDialog::IsItemEnabled(int id) const {
  return GetMenuBar()->IsEnabled(ToolkitMenuId(id));
}

void MainDialog::RunItem(int id) {
  if (!IsItemEnabled(id) || !ItemAllowed(id)) return;
  routes_.at(id)(context_);
}

void MainDialog::OnPortChosen(wxCommandEvent& event) {
  const int index = event.GetSelection();
  if (index >= 0 && index < 8) context_.line.port = index + 1;
}

void MainDialog::OnSpeedChosen(wxCommandEvent& event) {
  context_.line.baudRate = BaudRateForIndex(event.GetSelection());
}

void MainDialog::OnMenuItem(wxCommandEvent& event) {
  RunItem(CommandOfMenuId(event.GetId()));
}

void MainDialog::OnUpdateItem(wxUpdateUIEvent& event) {
  event.Enable(ItemAllowed(CommandOfMenuId(event.GetId())));
}

void MainDialog::OnAbout(wxCommandEvent&) {
  AboutDialog about(this);
  about.ShowModal();
}

void MainDialog::Select(int port, int baud) {
  ports_->SetSelection(port - 1);
  speeds_->SetSelection(IndexForBaudRate(baud));
  context_.line = PrinterLine{port, BaudRateForIndex(IndexForBaudRate(baud))};
}

ScanReport MainDialog::Search() {
  ScanReport report;
  {
    // The interface waits for the scan (a few seconds): say what it is doing.
    wxBusyCursor wait;
    wxBusyInfo info(
        wxBusyInfoFlags().Parent(this).Text(wxString::FromUTF8("Търсене на фискалния принтер...")));
    PortScanner scanner;
    scanner.OnPort([&info](const ScanCandidate& c) {
      info.UpdateText(wxString::FromUTF8("Търсене на фискалния принтер: ") +
                      wxString::FromUTF8(c.name));
    });
    report = scanner.Scan(scanCandidates_ ? scanCandidates_() : PortScanner::Candidates());
  }
  const PortScanResult* found = report.Found();
  const wxString caption = wxString::FromUTF8("Търсене");
  if (!found) {
    context_.messageBox(this,
                        wxString::Format(wxString::FromUTF8("Не е намерен фискален принтер.\n"
                                                            "Проверени портове: %zu (%.1f s)"),
                                         report.ports.size(), report.elapsedMs / 1000.0),
                        caption);
    return report;
  }
  int port = found->comPort;
  if (port < 1 || port > 8) {
    // A device the list does not name: lend it a COM number that leads nowhere.
    port = 0;
    for (const auto& p : report.ports)
      if (p.comPort >= 1 && p.comPort <= 8 && p.outcome == ScanOutcome::kCannotOpen) {
        port = p.comPort;
        break;
      }
    if (port) PortMap::Instance().Set(port, found->path);
  }
  wxString text;
  if (port == 0) {
    text = wxString::Format(wxString::FromUTF8("Фискалният принтер е намерен на %s, скорост %d,\n"
                                               "но няма свободен COM номер за него."),
                            wxString::FromUTF8(found->path), found->baud);
  } else {
    Select(port, found->baud);
    text = wxString::Format(wxString::FromUTF8("Фискалният принтер е намерен на COM %d (%s), "
                                               "скорост %d."),
                            port, wxString::FromUTF8(found->path), found->baud);
  }
  if (!found->version.empty())
    text += wxString::FromUTF8("\nВерсия: ") + wxString::FromUTF8(found->version);
  context_.messageBox(this, text, caption);
  return report;
}
