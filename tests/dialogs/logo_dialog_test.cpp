// The logo dialog and its converter: which files reach the printer, and a
// picture of another kind turned into a logo, uploaded and printed.
#include <gtest/gtest.h>
#include <wx/dir.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/timer.h>
#include <wx/utils.h>

#include <cstdio>
#include <string>
#include <vector>

#include "dialog_fixtures.h"
#include "dialogs/logo_converter_dialog.h"
#include "dialogs/logo_dialog.h"
#include "dialogs/logo_picture.h"

namespace {

constexpr int kPort = 5;

// A folder of its own for each test, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = wxString::FromUTF8(::testing::TempDir()) + "logo_" + info->name() + "_" +
            wxString::Format("%ld", wxGetProcessId());
    wxFileName::Rmdir(path_, wxPATH_RMDIR_RECURSIVE);
    wxFileName::Mkdir(path_, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
  }
  ~TempFolder() { wxFileName::Rmdir(path_, wxPATH_RMDIR_RECURSIVE); }
  wxString File(const char* name) const { return path_ + "/" + name; }
  std::vector<wxString> Files() const {
    wxArrayString names;
    wxDir::GetAllFiles(path_, &names);
    names.Sort();
    return std::vector<wxString>(names.begin(), names.end());
  }

 private:
  wxString path_;
};

void Write(const wxString& path, const std::string& bytes) {
  ASSERT_TRUE(logo::WriteFileBytes(path, bytes));
}

std::string Read(const wxString& path) {
  return logo::ReadFileHead(path, 1 << 20).value_or("");
}

// A valid logo: a black frame around a white field.
std::string FramedLogo() {
  logo::MonoPicture p(logo::kWidth, logo::kHeight);
  for (int x = 0; x < logo::kWidth; ++x) p.Set(x, 0, true), p.Set(x, logo::kHeight - 1, true);
  for (int y = 0; y < logo::kHeight; ++y) p.Set(0, y, true), p.Set(logo::kWidth - 1, y, true);
  return logo::EncodeMonoBmp(p);
}

// A picture of `w` x `h`: left half black, right half white.
wxImage HalfBlack(int w, int h) {
  wxImage image(w, h);
  image.SetRGB(wxRect(0, 0, w, h), 255, 255, 255);
  image.SetRGB(wxRect(0, 0, w / 2, h), 0, 0, 0);
  return image;
}

struct Shown {
  wxString text;
  long style;
};

class LogoDialogTest : public ScriptedPrinterDialogTest {
 protected:
  LogoDialogTest() : ScriptedPrinterDialogTest(kPort) {}

  // The services with the messages recorded and answered with `answer_`.
  DialogServices Watched() {
    DialogServices services = Services();
    services.messageBox = [this](wxWindow*, const wxString& text, const wxString& caption,
                                 long style) {
      EXPECT_EQ(caption, FromUtf8("Грешка"));
      shown_.push_back({text, style});
      return answer_;
    };
    services.openFile = [this](wxWindow*, const wxString&, const wxString&, const wxString&) {
      return chosen_;
    };
    return services;
  }

  TempFolder folder_;
  std::vector<Shown> shown_;
  int answer_ = wxNO;
  wxString chosen_;
};

TEST_F(LogoDialogTest, UploadAndPrintWithoutALoadedFile) {
  LogoDialog dialog(nullptr, &ui_, Port(), Watched());
  Click(&dialog, LogoDialog::kIdUpload);
  EXPECT_TRUE(device_.Frames().empty()) << "the port is not even opened";
  EXPECT_TRUE(shown_.empty());

  // Printing the printer's own logo needs no file: the logo and two feeds.
  Click(&dialog, LogoDialog::kIdPrint);
  EXPECT_EQ(FramesOf('l').size(), 1u);
  EXPECT_EQ(FramesOf('+').size(), 2u);
  EXPECT_TRUE(ui_.prompts.empty());
}

// Files the printer would misread are refused on loading with their reason,
// and nothing is ever sent.
TEST_F(LogoDialogTest, RefusedFilesAreNeverSent) {
  const wxString deep = folder_.File("deep.bmp");  // 384 x 80 at 24 bits
  ASSERT_TRUE(HalfBlack(384, 80).SaveFile(deep, wxBITMAP_TYPE_BMP));
  const wxString wide = folder_.File("wide.bmp");
  Write(wide, logo::EncodeMonoBmp(logo::MonoPicture(385, 80)));
  const wxString shortFile = folder_.File("short.bmp");
  Write(shortFile, FramedLogo().substr(0, 3901));
  const wxString text = folder_.File("notes.bmp");
  Write(text, "not a picture at all");
  logo::EnsureImageHandlers();
  const wxString png = folder_.File("shop.png");  // another kind of picture, another size
  ASSERT_TRUE(HalfBlack(200, 100).SaveFile(png, wxBITMAP_TYPE_PNG));

  struct Row {
    wxString path;
    const char* says;
  };
  const Row rows[] = {
      {deep, "с 24 бита на точка"},
      {wide, "Логото трябва да бъде със ширина 384 и височина 80"},
      {shortFile, "Грешка при зареждане на лого"},
      {folder_.File("missing.bmp"), "Грешка при зареждане на лого"},
      {text, "Файлът не е картина"},
      {png, "със ширина 384 и височина 80 (384 × 80)"},
      {png, "Картината е 200 × 100."},
  };
  LogoDialog dialog(nullptr, &ui_, Port(), Watched());
  for (const Row& r : rows) {
    shown_.clear();
    chosen_ = r.path;
    Click(&dialog, LogoDialog::kIdLoad);  // conversion declined
    ASSERT_EQ(shown_.size(), 1u) << r.path;
    EXPECT_TRUE(shown_[0].text.Contains(FromUtf8(r.says))) << shown_[0].text;
    EXPECT_TRUE(shown_[0].style & wxICON_STOP);
    EXPECT_FALSE(dialog.Loaded()) << r.path;
  }
  Click(&dialog, LogoDialog::kIdUpload);
  EXPECT_TRUE(device_.Frames().empty());
  EXPECT_EQ(folder_.Files().size(), 5u) << "nothing converted, nothing written";
}

// The file is sent as it is on disk at "Upload": one overwritten since
// "Load" by another picture is refused then, and one removed too.
TEST_F(LogoDialogTest, UploadChecksTheFileAgain) {
  const wxString path = folder_.File("logo.bmp");
  Write(path, FramedLogo());
  LogoDialog dialog(nullptr, &ui_, Port(), Watched());
  chosen_ = path;
  Click(&dialog, LogoDialog::kIdLoad);
  ASSERT_TRUE(dialog.Loaded());
  EXPECT_TRUE(shown_.empty());
  EXPECT_EQ(dialog.Picture()->GetBitmap().GetWidth(), 384);

  ASSERT_TRUE(HalfBlack(384, 80).SaveFile(path, wxBITMAP_TYPE_BMP));
  Click(&dialog, LogoDialog::kIdUpload);
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_TRUE(shown_[0].text.Contains(FromUtf8("1 бит на точка")));
  EXPECT_TRUE(FramesOf('L').empty());

  wxRemoveFile(path);
  Click(&dialog, LogoDialog::kIdUpload);
  ASSERT_EQ(shown_.size(), 2u);
  EXPECT_TRUE(shown_[1].text.StartsWith(FromUtf8("Грешка при зареждане на лого")));
  EXPECT_TRUE(device_.Frames().empty());

  // Put right, it goes: the first 3902 bytes of a longer file.
  Write(path, FramedLogo() + "trailing bytes");
  Click(&dialog, LogoDialog::kIdUpload);
  ASSERT_EQ(FramesOf('L').size(), 1u);
  EXPECT_EQ(FramesOf('L')[0].data, FramedLogo());
  EXPECT_EQ(shown_.size(), 2u);
}

// While it lives, answers the converter when it runs modally: moves the
// threshold to `threshold` and saves.
class ConverterAnswerer : public wxTimer {
 public:
  explicit ConverterAnswerer(int threshold) : threshold_(threshold) { Start(10); }
  void Notify() override {
    LogoConverterDialog* d = ModalDialog<LogoConverterDialog>();
    if (!d) return;
    d->SetThreshold(threshold_);
    bytes = d->LogoBytes();
    Click(d, LogoConverterDialog::kIdSave);
  }
  std::string bytes;

 private:
  int threshold_;
};

class LogoDialogSimTest : public SimPrinterDialogTest {
 protected:
  LogoDialogSimTest() : SimPrinterDialogTest(kPort) {}
  TempFolder folder_;
};

// A PNG of another size is converted, saved beside it, uploaded as saved and
// printed by the simulated printer.
TEST_F(LogoDialogSimTest, ConvertedPictureIsUploadedAndPrinted) {
  logo::EnsureImageHandlers();
  const wxString png = folder_.File("shop.png");
  ASSERT_TRUE(HalfBlack(200, 100).SaveFile(png, wxBITMAP_TYPE_PNG));

  DialogServices services = Services();
  std::vector<wxString> shown;
  services.messageBox = [&](wxWindow*, const wxString& text, const wxString&, long) {
    shown.push_back(text);
    return wxYES;
  };
  LogoDialog dialog(nullptr, &ui_, Port(), services);
  {
    ConverterAnswerer answerer(100);
    dialog.LoadFile(png);
    ASSERT_EQ(answerer.bytes.size(), logo::kFileBytes);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].Contains(FromUtf8("преобразувана")));
    ASSERT_TRUE(dialog.Loaded());
    EXPECT_EQ(dialog.LogoPath(), folder_.File("shop_logo.bmp"));
    EXPECT_EQ(Read(dialog.LogoPath()), answerer.bytes);
  }
  EXPECT_EQ(folder_.Files().size(), 2u) << "the picture is left as it was";

  // 200 x 100 fits as 160 x 80 from column 112; its left half is black.
  const logo::MonoPicture saved = logo::DecodeLogoBmp(Read(dialog.LogoPath()));
  EXPECT_FALSE(saved.At(111, 40));
  EXPECT_TRUE(saved.At(112, 40));
  EXPECT_TRUE(saved.At(189, 40));
  EXPECT_FALSE(saved.At(194, 40));

  Click(&dialog, LogoDialog::kIdUpload);
  EXPECT_EQ(sim_.WithDevice([](SimDevice& d) { return d.State().logoBytes; }),
            Read(dialog.LogoPath()));
  sim_.ClearPaper();
  Click(&dialog, LogoDialog::kIdPrint);
  EXPECT_NE(sim_.Paper().find("█"), std::string::npos) << sim_.Paper();
  EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text;
  EXPECT_EQ(shown.size(), 1u);
}

TEST(LogoConverter, ThresholdChangesThePreviewAndSavedFilesAreNew) {
  TempFolder folder;
  const wxString source = folder.File("grey.bmp");
  wxImage grey(384, 80);
  grey.SetRGB(wxRect(0, 0, 384, 80), 100, 100, 100);
  ASSERT_TRUE(grey.SaveFile(source, wxBITMAP_TYPE_BMP));

  LogoConverterDialog converter(nullptr, grey, source);
  EXPECT_EQ(converter.Threshold(), 128);
  EXPECT_EQ(logo::DecodeLogoBmp(converter.LogoBytes()).ink, std::vector<bool>(384 * 80, true));
  converter.SetThreshold(100);  // brightness 100 is no longer darker
  EXPECT_EQ(logo::DecodeLogoBmp(converter.LogoBytes()).ink, std::vector<bool>(384 * 80, false));
  const wxImage preview = converter.Preview()->GetBitmap().ConvertToImage();
  EXPECT_EQ(preview.GetSize(), wxSize(384, 80));
  EXPECT_EQ(preview.GetRed(5, 5), 255);

  Click(&converter, LogoConverterDialog::kIdSave);
  EXPECT_EQ(converter.SavedPath(), folder.File("grey_logo.bmp"));
  EXPECT_EQ(Read(converter.SavedPath()), converter.LogoBytes());
  EXPECT_TRUE(logo::CheckLogoFile(converter.SavedPath()).ok());

  LogoConverterDialog again(nullptr, grey, source);
  Click(&again, LogoConverterDialog::kIdSave);
  EXPECT_EQ(again.SavedPath(), folder.File("grey_logo2.bmp"));
  EXPECT_EQ(folder.Files().size(), 3u);
}

}  // namespace
