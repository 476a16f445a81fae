#pragma once

#include <wx/gdicmn.h>
#include <wx/image.h>
#include <wx/string.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The printer's logo as a file, and the conversion of any picture into one.
// Window-free: wxImage only decodes and scales pictures; the 1-bit bitmap file
// is read and written here byte by byte, so that what the printer receives is
// decided by this code and not by a toolkit's BMP writer.
//
// The printer takes the first kFileBytes bytes of the file unchanged: a
// 384 x 80 picture at one bit per pixel with the plain 40-byte information
// header and a two-colour palette, rows stored bottom row first, 48 bytes
// each, the leftmost pixel in the most significant bit.
namespace logo {

constexpr int kWidth = 384;
constexpr int kHeight = 80;
constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kInfoHeaderBytes = 40;
constexpr size_t kPaletteBytes = 8;  // two entries of blue, green, red, 0
constexpr size_t kPixelOffset = kFileHeaderBytes + kInfoHeaderBytes + kPaletteBytes;  // 62
constexpr size_t kFileBytes = kPixelOffset + kWidth / 8 * kHeight;                    // 3902

// Black and white pixels, row by row from the top; true is a printed (black)
// dot.
struct MonoPicture {
  int width = 0;
  int height = 0;
  std::vector<bool> ink;  // width * height

  MonoPicture() = default;
  MonoPicture(int w, int h) : width(w), height(h), ink(static_cast<size_t>(w) * h, false) {}
  bool At(int x, int y) const { return ink[static_cast<size_t>(y) * width + x]; }
  void Set(int x, int y, bool on) { ink[static_cast<size_t>(y) * width + x] = on; }
};

// A one-bit BMP file of `picture`: 14-byte file header, 40-byte information
// header, palette entry 0 black and entry 1 white (so a black dot is a 0
// bit), rows bottom-up, each padded with zero bytes to a multiple of four.
// For a 384 x 80 picture the result is exactly kFileBytes long.
std::string EncodeMonoBmp(const MonoPicture& picture);

// What stops a file from being sent as the logo.
enum class Verdict {
  kOk,
  kMissing,            // cannot be opened or read
  kNotBmp,             // does not start with "BM" (perhaps another picture format)
  kWrongSize,          // not 384 x 80
  kWrongDepth,         // more (or fewer) bits per pixel than one
  kUnsupportedLayout,  // compressed, another header size, pixels elsewhere, top-down rows
  kShort,              // fewer than kFileBytes bytes
};

struct FileCheck {
  Verdict verdict = Verdict::kMissing;
  int width = 0;  // as the file's header states them (0 when it has none)
  int height = 0;
  int bitsPerPixel = 0;
  bool ok() const { return verdict == Verdict::kOk; }
};

// Judges a file from its first bytes (`head`, at least kFileBytes of them
// when the file has that many). The checks go from the most telling to the
// least: format, size, depth, layout, length.
FileCheck CheckLogoBytes(const std::string& head);

// At most the first `count` bytes of the file at `path`; nullopt when it
// cannot be opened or read.
std::optional<std::string> ReadFileHead(const wxString& path, size_t count);

// Reads the first kFileBytes bytes of `path` and judges them; kMissing when
// the file cannot be read.
FileCheck CheckLogoFile(const wxString& path);

// The user's message for a verdict other than kOk (UTF-8), naming what is
// wrong; "" for kOk.
std::string CheckMessage(const FileCheck& check);

// The picture of a file that passed the check, read as the printer prints it:
// a pixel is black when its palette colour is dark.
MonoPicture DecodeLogoBmp(const std::string& bytes);

// The largest size with `picture`'s proportions that fits into `box`, at
// least one pixel each way; a picture is enlarged as well as reduced.
wxSize FitSize(wxSize picture, wxSize box);

// `picture` scaled with its proportions kept to fit 384 x 80 and centred on
// white; transparent parts count as white. An invalid picture gives a white
// one.
wxImage FitToLogo(const wxImage& picture);

// Brightness 0 (black) to 255 (white) of one colour, as the eye weighs red,
// green and blue.
int Brightness(unsigned char red, unsigned char green, unsigned char blue);

// A pixel prints black when its brightness is below the threshold: at 1 only
// pure black prints, at 255 everything but pure white.
constexpr int kMinThreshold = 1;
constexpr int kMaxThreshold = 255;
constexpr int kDefaultThreshold = 128;
MonoPicture Threshold(const wxImage& picture, int threshold);

// Black on white, for showing a picture on the screen.
wxImage Render(const MonoPicture& picture);

// The name of the converted file beside `original`: the same folder and name
// with "_logo" and the extension ".bmp"; when that is taken (`exists`), "_logo2",
// "_logo3" and so on. Never the original itself; nullopt when no free name is
// found within a hundred tries.
std::optional<wxString> ConvertedLogoPath(const wxString& original,
                                          const std::function<bool(const wxString&)>& exists);

// Writes `bytes` to a new file at `path` (replacing one that is there).
// False when it could not be written completely.
bool WriteFileBytes(const wxString& path, const std::string& bytes);

// Registers the toolkit's picture decoders (PNG, JPEG and the others it was
// built with) once; BMP needs none.
void EnsureImageHandlers();

// Decodes the picture at `path`: whatever the toolkit's decoders read, and on
// Windows also what the system's imaging component reads (PNG, JPEG, GIF,
// TIFF, ICO). An invalid image when nothing can read it.
wxImage LoadPicture(const wxString& path);

// The file chooser's filter: every picture the decoders read, BMP alone, and
// every file.
wxString PictureWildcard();

// The path in the form the driver opens files with: the file system's own
// bytes on Linux, UTF-8 on Windows (opened there by its wide-character name).
std::string DriverPath(const wxString& path);

}  // namespace logo
