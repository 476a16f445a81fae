// The logo file and the picture converter without a window: the bitmap bytes
// written by hand, the check that guards the upload, scaling and threshold.
#include <gtest/gtest.h>

#include <string>

#include "dialogs/logo_picture.h"

namespace {

using logo::MonoPicture;
using logo::Verdict;

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

// A white picture with black pixels at the given places.
MonoPicture WithInk(int w, int h, std::initializer_list<std::pair<int, int>> dots) {
  MonoPicture p(w, h);
  for (auto [x, y] : dots) p.Set(x, y, true);
  return p;
}

wxImage Filled(int w, int h, unsigned char r, unsigned char g, unsigned char b) {
  wxImage image(w, h);
  image.SetRGB(wxRect(0, 0, w, h), r, g, b);
  return image;
}

TEST(LogoBmp, HeaderIsByteExact) {
  const std::string file = logo::EncodeMonoBmp(MonoPicture(384, 80));
  ASSERT_EQ(file.size(), 3902u);
  const std::string header = Bytes({
      'B',  'M',  0x3E, 0x0F, 0,    0,           // file size 3902
      0,    0,    0,    0,                       // reserved
      62,   0,    0,    0,                       // pixels start at 62
      40,   0,    0,    0,                       // information header size
      0x80, 0x01, 0,    0,                       // width 384
      80,   0,    0,    0,                       // height 80, bottom row first
      1,    0,    1,    0,                       // one plane, one bit per pixel
      0,    0,    0,    0,                       // no compression
      0x00, 0x0F, 0,    0,                       // 3840 bytes of pixels
      0xC4, 0x0E, 0,    0,    0xC4, 0x0E, 0, 0,  // 96 dots per inch
      0,    0,    0,    0,    0,    0,    0, 0,  // all colours used and important
      0,    0,    0,    0,                       // colour 0: black
      0xFF, 0xFF, 0xFF, 0,                       // colour 1: white
  });
  EXPECT_EQ(file.substr(0, 62), header);
  EXPECT_EQ(file.substr(62), std::string(3840, '\xFF')) << "white is all ones";
}

TEST(LogoBmp, RowsGoBottomUpWithTheLeftmostPixelInTheTopBit) {
  const std::string file =
      logo::EncodeMonoBmp(WithInk(384, 80, {{0, 0}, {9, 0}, {383, 79}, {200, 40}}));
  std::string expected(3840, '\xFF');
  const auto at = [](int x, int y) { return static_cast<size_t>((79 - y) * 48 + x / 8); };
  expected[at(0, 0)] = '\x7F';     // the top row comes last
  expected[at(9, 0)] = '\xBF';     // pixel 9: second bit of the second byte
  expected[at(383, 79)] = '\xFE';  // the bottom row comes first, its last pixel in bit 0
  expected[at(200, 40)] = '\x7F';  // 200 = 25 * 8
  EXPECT_EQ(file.substr(62), expected);
  EXPECT_EQ(at(383, 79), 47u);
  EXPECT_EQ(at(0, 0), 3792u);
}

TEST(LogoBmp, RowsArePaddedToFourBytes) {
  // 10 pixels take two bytes; each row is padded with two zero bytes.
  const std::string file = logo::EncodeMonoBmp(WithInk(10, 3, {{9, 0}, {0, 2}}));
  ASSERT_EQ(file.size(), 62u + 3 * 4);
  EXPECT_EQ(file.substr(2, 4), Bytes({74, 0, 0, 0}));
  EXPECT_EQ(file.substr(18, 8), Bytes({10, 0, 0, 0, 3, 0, 0, 0}));
  EXPECT_EQ(file.substr(34, 4), Bytes({12, 0, 0, 0}));
  // Bits past the last pixel are zero, like the padding.
  EXPECT_EQ(file.substr(62), Bytes({0x7F, 0xC0, 0, 0,     // bottom row: pixel 0 black
                                    0xFF, 0xC0, 0, 0,     // middle row: white
                                    0xFF, 0x80, 0, 0}));  // top row: pixel 9 black
}

TEST(LogoBmp, DecodingReadsThePaletteAsThePrinterDoes) {
  const MonoPicture picture = WithInk(384, 80, {{0, 0}, {383, 79}, {17, 33}});
  std::string file = logo::EncodeMonoBmp(picture);
  EXPECT_EQ(logo::DecodeLogoBmp(file).ink, picture.ink);

  // The same picture with its palette swapped and every bit inverted.
  std::swap_ranges(file.begin() + 54, file.begin() + 58, file.begin() + 58);
  for (size_t i = 62; i < file.size(); ++i) file[i] = static_cast<char>(~file[i]);
  EXPECT_EQ(logo::DecodeLogoBmp(file).ink, picture.ink);
}

// What stops a file from going to the printer, from a valid file changed in
// one place each.
TEST(LogoFileCheck, RefusesEveryFileThePrinterWouldMisread) {
  const std::string valid = logo::EncodeMonoBmp(MonoPicture(384, 80));
  auto with = [&](size_t at, std::initializer_list<int> bytes) {
    std::string f = valid;
    f.replace(at, bytes.size(), Bytes(bytes));
    return f;
  };
  struct Row {
    const char* what;
    std::string file;
    Verdict verdict;
  };
  const Row rows[] = {
      {"valid", valid, Verdict::kOk},
      {"trailing bytes", valid + std::string(1098, 'x'), Verdict::kOk},
      {"not BMP", with(0, {0x89, 'P'}), Verdict::kNotBmp},
      {"empty", "", Verdict::kNotBmp},
      {"385 wide", with(18, {0x81, 0x01}), Verdict::kWrongSize},
      {"81 high", with(22, {81}), Verdict::kWrongSize},
      {"8 bits", with(28, {8}), Verdict::kWrongDepth},
      {"24 bits", with(28, {24}), Verdict::kWrongDepth},
      {"top-down", with(22, {0xB0, 0xFF, 0xFF, 0xFF}), Verdict::kUnsupportedLayout},
      {"compressed", with(30, {1}), Verdict::kUnsupportedLayout},
      {"longer header", with(14, {108}), Verdict::kUnsupportedLayout},
      {"core header", with(14, {12}), Verdict::kUnsupportedLayout},
      {"pixels elsewhere", with(10, {66}), Verdict::kUnsupportedLayout},
      {"one byte short", valid.substr(0, 3901), Verdict::kShort},
      {"header only", valid.substr(0, 30), Verdict::kShort},
  };
  for (const Row& r : rows) {
    const logo::FileCheck check = logo::CheckLogoBytes(r.file);
    EXPECT_EQ(check.verdict, r.verdict) << r.what;
    EXPECT_EQ(logo::CheckMessage(check).empty(), r.verdict == Verdict::kOk) << r.what;
  }
  const logo::FileCheck deep = logo::CheckLogoBytes(with(28, {24}));
  EXPECT_NE(logo::CheckMessage(deep).find("24 бита"), std::string::npos);
  const logo::FileCheck wide = logo::CheckLogoBytes(with(18, {0x81, 0x01}));
  EXPECT_EQ(logo::CheckMessage(wide),
            "Логото трябва да бъде със ширина 384 и височина 80\nКартината е 385 × 80.");
}

TEST(LogoFit, KeepsTheProportions) {
  struct Row {
    wxSize picture, fitted;
  };
  const Row rows[] = {
      {{384, 80}, {384, 80}}, {{768, 400}, {154, 80}}, {{100, 100}, {80, 80}},
      {{48, 10}, {384, 80}},  {{1000, 10}, {384, 4}},  {{10, 1000}, {1, 80}},
      {{4000, 3}, {384, 1}},
  };
  for (const Row& r : rows)
    EXPECT_EQ(logo::FitSize(r.picture, {384, 80}), r.fitted) << r.picture.x << "x" << r.picture.y;
}

TEST(LogoFit, CentresThePictureOnWhite) {
  // 200 x 100 of black becomes 160 x 80, columns 112 to 271.
  const MonoPicture p = logo::Threshold(logo::FitToLogo(Filled(200, 100, 0, 0, 0)), 128);
  ASSERT_EQ(p.width, 384);
  ASSERT_EQ(p.height, 80);
  for (int y : {0, 40, 79}) {
    EXPECT_FALSE(p.At(111, y));
    EXPECT_TRUE(p.At(112, y));
    EXPECT_TRUE(p.At(271, y));
    EXPECT_FALSE(p.At(272, y));
  }
  // A tall one: 50 x 200 becomes 20 x 80, columns 182 to 201.
  const MonoPicture tall = logo::Threshold(logo::FitToLogo(Filled(50, 200, 0, 0, 0)), 128);
  EXPECT_FALSE(tall.At(181, 10));
  EXPECT_TRUE(tall.At(182, 10));
  EXPECT_TRUE(tall.At(201, 70));
  EXPECT_FALSE(tall.At(202, 70));
}

TEST(LogoFit, TransparentPartsAreWhite) {
  wxImage image = Filled(384, 80, 0, 0, 0);
  image.InitAlpha();
  for (int x = 0; x < 192; ++x)
    for (int y = 0; y < 80; ++y) image.SetAlpha(x, y, 0);
  const MonoPicture p = logo::Threshold(logo::FitToLogo(image), 128);
  EXPECT_FALSE(p.At(0, 0));
  EXPECT_FALSE(p.At(191, 79));
  EXPECT_TRUE(p.At(192, 0));

  wxImage masked = Filled(384, 80, 10, 20, 30);
  masked.SetRGB(wxRect(0, 0, 100, 80), 1, 2, 3);
  masked.SetMaskColour(1, 2, 3);
  const MonoPicture m = logo::Threshold(logo::FitToLogo(masked), 128);
  EXPECT_FALSE(m.At(99, 0));
  EXPECT_TRUE(m.At(100, 0));
}

TEST(LogoThreshold, PrintsWhatIsDarkerThanTheThreshold) {
  wxImage image(6, 1);
  const unsigned char colours[6][3] = {{0, 0, 0},       {127, 127, 127}, {128, 128, 128},
                                       {255, 255, 255}, {0, 0, 255},     {255, 255, 0}};
  for (int x = 0; x < 6; ++x) image.SetRGB(x, 0, colours[x][0], colours[x][1], colours[x][2]);
  auto row = [&](int threshold) {
    std::string s;
    const MonoPicture p = logo::Threshold(image, threshold);
    for (int x = 0; x < p.width; ++x) s += p.At(x, 0) ? '#' : '.';
    return s;
  };
  // Pure blue is dark to the eye, yellow light.
  EXPECT_EQ(row(128), "##..#.");
  EXPECT_EQ(row(1), "#.....");
  EXPECT_EQ(row(255), "###.##");
  EXPECT_EQ(row(30), "#...#.");
}

TEST(LogoConvertedPath, IsANewFileBesideTheOriginal) {
  auto none = [](const wxString&) { return false; };
  EXPECT_EQ(logo::ConvertedLogoPath("/pictures/shop.png", none).value_or("-"),
            "/pictures/shop_logo.bmp");
  EXPECT_EQ(logo::ConvertedLogoPath("/pictures/logo.bmp", none).value_or("-"),
            "/pictures/logo_logo.bmp");
  auto taken = [](const wxString& p) {
    return p.EndsWith("_logo.bmp") || p.EndsWith("_logo2.bmp");
  };
  EXPECT_EQ(logo::ConvertedLogoPath("/pictures/shop.jpeg", taken).value_or("-"),
            "/pictures/shop_logo3.bmp");
  EXPECT_FALSE(logo::ConvertedLogoPath("/pictures/shop.png", [](const wxString&) {
                 return true;
               }).has_value());
}

}  // namespace
