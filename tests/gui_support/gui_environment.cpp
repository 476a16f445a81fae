// Starts the toolkit once for every test program that links the GUI test
// support (this file is always linked in: the support is an object library).
#include <errno.h>
#include <gtest/gtest.h>
#include <wx/app.h>

#include "gui_test_support.h"

namespace {

// Initialises the toolkit for the whole test run and turns toolkit assertions
// into test failures instead of blocking message boxes.
class GuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    // The test program's own name, as the toolkit would see it started.
    static char* argv[] = {program_invocation_short_name, nullptr};
    wxApp::SetInstance(new wxApp);
    ASSERT_TRUE(wxEntryStart(argc, argv)) << "no display: run under xvfb-run";
    wxTheApp->CallOnInit();
    wxSetAssertHandler([](const wxString& file, int line, const wxString& func,
                          const wxString& cond, const wxString& msg) {
      ADD_FAILURE() << "toolkit assertion " << cond.utf8_str() << " in " << func.utf8_str()
                    << " at " << file.utf8_str() << ":" << line << ": " << msg.utf8_str();
    });
  }
  void TearDown() override {
    ProcessPending();
    wxEntryCleanup();
  }
};

[[maybe_unused]] ::testing::Environment* const kGui =
    ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

}  // namespace

void ProcessPending() {
  if (wxTheApp) wxTheApp->ProcessPendingEvents();
}
