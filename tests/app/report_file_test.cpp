// The file "Във Файл" writes: the save dialog's set-up, the name it gives, and
// the report stream of the simulated printer landing in that file.
#include "app/report_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/main_dialog.h"
#include "app/main_menu.h"
#include "app_test_support.h"
#include "link/settings.h"
#include "sim/sim_server.h"

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

TEST(ReportFileTest, TheSaveDialogOpensWithABulgarianTitleAndNoName) {
  auto dialog = NewReportFileDialog(nullptr);
  EXPECT_EQ(dialog->GetMessage().utf8_string(), "Запис на отчета на ФП във файл");
  EXPECT_EQ(dialog->GetFilename(), "");
  EXPECT_EQ(dialog->GetWildcard().utf8_string(), "Текстови файлове (*.txt)|*.txt");
  EXPECT_TRUE(dialog->HasFlag(wxFD_SAVE));
  EXPECT_TRUE(dialog->HasFlag(wxFD_OVERWRITE_PROMPT));
}

TEST(ReportFileTest, ANameWithoutExtensionGetsTxt) {
  const struct {
    const char* chosen;
    const char* path;
  } cases[] = {
      {"/tmp/отчет", "/tmp/отчет.txt"},   {"/tmp/отчет.", "/tmp/отчет.txt"},
      {"/tmp/fm.txt", "/tmp/fm.txt"},     {"/tmp/fm.bin", "/tmp/fm.bin"},
      {"/tmp/a.b/fm", "/tmp/a.b/fm.txt"}, {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WithTextExtension(wxString::FromUTF8(c.chosen)).utf8_string(), c.path) << c.chosen;
  }
}

TEST(ReportFileTest, WildcardsAndAnAddedExtensionThatWouldReplaceAFile) {
  TemporaryHome dir;
  dir.Write("fm.txt", "old");
  std::vector<std::string> asked;
  std::vector<std::string> refused;
  bool replace = false;
  const auto confirm = [&](const wxString& path) {
    asked.push_back(path.utf8_string());
    return replace;
  };
  const auto refuse = [&](const wxString& message) { refused.push_back(message.utf8_string()); };
  const wxString folder = wxString::FromUTF8(dir.Path());

  EXPECT_EQ(ReportFileFor(folder + "/*.txt", confirm, refuse), "");
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_EQ(refused[0], "Името на файла не може да съдържа „*“ или „?“.");
  EXPECT_EQ(ReportFileFor(folder + "/fm?", confirm, refuse), "");
  EXPECT_EQ(refused.size(), 2u);

  // "fm" becomes the existing "fm.txt": asked, and declined means choose again.
  EXPECT_EQ(ReportFileFor(folder + "/fm", confirm, refuse), "");
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], dir.Path() + "/fm.txt");
  replace = true;
  EXPECT_EQ(ReportFileFor(folder + "/fm", confirm, refuse), folder + "/fm.txt");
  // The dialog itself asked about a name typed in full, and a new name needs no question.
  EXPECT_EQ(ReportFileFor(folder + "/fm.txt", confirm, refuse), folder + "/fm.txt");
  EXPECT_EQ(ReportFileFor(folder + "/new", confirm, refuse), folder + "/new.txt");
  EXPECT_EQ(asked.size(), 2u);
  EXPECT_EQ(ReportFileFor("", confirm, refuse), "");
}

TEST(ReportFileTest, TheSimulatedPrintersStreamLandsInTheNameTypedPlusTxt) {
  TemporaryHome home;
  PortMap::Instance().Clear();
  SimServer sim;
  PortMap::Instance().Set(1, sim.Path());
  auto* window = new MainDialog();
  // The save dialog answers with a name typed without extension.
  const std::string typed = home.Path() + "/отчет";
  window->Context().chooseSaveFile = [&](wxWindow*) {
    return ReportFileFor(
        wxString::FromUTF8(typed), [](const wxString&) { return true; }, [](const wxString&) {});
  };
  window->RunItem(menu_id::kFMReportToFile);
  const std::string written = Slurp(typed + ".txt");
  ASSERT_FALSE(written.empty());
  EXPECT_EQ(written.back(), '@');  // the stream up to and including its end mark
  window->Destroy();
  ProcessPending();
  PortMap::Instance().Clear();
}

}  // namespace
