#include "dialogs/logo_picture.h"

#include <wx/arrstr.h>
#include <wx/ffile.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace logo {

namespace {

constexpr int kMaxNameTries = 100;
constexpr unsigned char kWhite = 255;
// Resolution written into the header: 96 dots per inch, in dots per metre.
constexpr uint32_t kDotsPerMetre = 3780;
// A palette colour whose red + green + blue is below this counts as dark.
constexpr unsigned kDarkSum = 3 * 128;

// Offsets of the header fields read and written here.
constexpr size_t kAtFileSize = 2;
constexpr size_t kAtPixelOffset = 10;
constexpr size_t kAtInfoSize = 14;
constexpr size_t kAtWidth = 18;
constexpr size_t kAtHeight = 22;
constexpr size_t kAtBitsPerPixel = 28;
constexpr size_t kAtCompression = 30;

void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

uint32_t Get(const std::string& b, size_t at, size_t n) {
  uint32_t v = 0;
  for (size_t i = 0; i < n && at + i < b.size(); ++i)
    v |= static_cast<uint32_t>(static_cast<unsigned char>(b[at + i])) << (8 * i);
  return v;
}

size_t RowBytes(int width) {
  return (static_cast<size_t>(width) + 31) / 32 * 4;
}

// `picture` as plain colours: each transparent or masked pixel becomes white
// (or its blend with white), so that scaling cannot pull in hidden colours.
wxImage OnWhite(const wxImage& picture) {
  wxImage flat(picture.GetWidth(), picture.GetHeight(), false);
  const unsigned char* in = picture.GetData();
  unsigned char* out = flat.GetData();
  const unsigned char* alpha = picture.HasAlpha() ? picture.GetAlpha() : nullptr;
  const bool masked = picture.HasMask();
  const unsigned char mr = picture.GetMaskRed(), mg = picture.GetMaskGreen(),
                      mb = picture.GetMaskBlue();
  const size_t pixels = static_cast<size_t>(picture.GetWidth()) * picture.GetHeight();
  for (size_t i = 0; i < pixels; ++i) {
    const unsigned char* p = in + 3 * i;
    unsigned char* q = out + 3 * i;
    if (masked && p[0] == mr && p[1] == mg && p[2] == mb) {
      q[0] = q[1] = q[2] = kWhite;
      continue;
    }
    const unsigned a = alpha ? alpha[i] : 255u;
    for (int c = 0; c < 3; ++c)
      q[c] = static_cast<unsigned char>((p[c] * a + kWhite * (255u - a) + 127u) / 255u);
  }
  return flat;
}

}  // namespace

std::string EncodeMonoBmp(const MonoPicture& picture) {
  const size_t row = RowBytes(picture.width);
  const size_t pixelBytes = row * static_cast<size_t>(picture.height);
  std::string out;
  out.reserve(kPixelOffset + pixelBytes);
  // File header.
  out += "BM";
  Put32(out, static_cast<uint32_t>(kPixelOffset + pixelBytes));
  Put32(out, 0);  // reserved
  Put32(out, static_cast<uint32_t>(kPixelOffset));
  // Information header.
  Put32(out, static_cast<uint32_t>(kInfoHeaderBytes));
  Put32(out, static_cast<uint32_t>(picture.width));
  Put32(out, static_cast<uint32_t>(picture.height));  // positive: bottom row first
  Put16(out, 1);                                      // planes
  Put16(out, 1);                                      // bits per pixel
  Put32(out, 0);                                      // no compression
  Put32(out, static_cast<uint32_t>(pixelBytes));
  Put32(out, kDotsPerMetre);
  Put32(out, kDotsPerMetre);
  Put32(out, 0);  // colours used: all two
  Put32(out, 0);  // important colours: all
  // Palette: 0 black, 1 white.
  Put32(out, 0x000000);
  Put32(out, 0xFFFFFF);
  for (int y = picture.height - 1; y >= 0; --y) {
    std::string bytes(row, '\0');
    for (int x = 0; x < picture.width; ++x) {
      if (!picture.At(x, y))
        bytes[static_cast<size_t>(x) / 8] |= static_cast<char>(0x80 >> (x % 8));
    }
    out += bytes;
  }
  return out;
}

FileCheck CheckLogoBytes(const std::string& head) {
  FileCheck check;
  if (head.size() < 2 || head[0] != 'B' || head[1] != 'M') {
    check.verdict = Verdict::kNotBmp;
    return check;
  }
  if (head.size() < kFileHeaderBytes + kInfoHeaderBytes) {
    check.verdict = Verdict::kShort;
    return check;
  }
  // Width and height sit at the same place in every header of 40 bytes or more.
  const uint32_t infoSize = Get(head, kAtInfoSize, 4);
  if (infoSize < kInfoHeaderBytes) {
    check.verdict = Verdict::kUnsupportedLayout;
    return check;
  }
  check.width = static_cast<int32_t>(Get(head, kAtWidth, 4));
  check.height = static_cast<int32_t>(Get(head, kAtHeight, 4));
  check.bitsPerPixel = static_cast<int>(Get(head, kAtBitsPerPixel, 2));
  if (check.width != kWidth || std::abs(check.height) != kHeight) {
    check.verdict = Verdict::kWrongSize;
  } else if (check.bitsPerPixel != 1) {
    check.verdict = Verdict::kWrongDepth;
  } else if (infoSize != kInfoHeaderBytes || Get(head, kAtPixelOffset, 4) != kPixelOffset ||
             Get(head, kAtCompression, 4) != 0 || check.height < 0) {
    check.verdict = Verdict::kUnsupportedLayout;
  } else if (head.size() < kFileBytes) {
    check.verdict = Verdict::kShort;
  } else {
    check.verdict = Verdict::kOk;
  }
  return check;
}

std::optional<std::string> ReadFileHead(const wxString& path, size_t count) {
  wxLogNull quiet;  // the message is ours, not the toolkit's log window
  wxFFile file;
  if (path.empty() || !wxFileName::FileExists(path) || !file.Open(path, "rb")) return std::nullopt;
  std::string head(count, '\0');
  const size_t n = file.Read(head.data(), count);
  if (file.Error()) return std::nullopt;
  head.resize(n);
  return head;
}

FileCheck CheckLogoFile(const wxString& path) {
  const std::optional<std::string> head = ReadFileHead(path, kFileBytes);
  return head ? CheckLogoBytes(*head) : FileCheck{};
}

std::string CheckMessage(const FileCheck& check) {
  const std::string size = std::to_string(check.width) + " × " + std::to_string(check.height);
  switch (check.verdict) {
    case Verdict::kOk:
      return "";
    case Verdict::kMissing:
      return "Грешка при зареждане на лого\nФайлът не може да бъде отворен.";
    case Verdict::kShort:
      return "Грешка при зареждане на лого\nФайлът е по-къс от " + std::to_string(kFileBytes) +
             " байта.";
    case Verdict::kNotBmp:
      return "Логото трябва да бъде черно-бял BMP файл (1 бит на точка) със ширина " +
             std::to_string(kWidth) + " и височина " + std::to_string(kHeight) + " (" +
             std::to_string(kWidth) + " × " + std::to_string(kHeight) + ").\nФайлът не е BMP.";
    case Verdict::kWrongSize:
      return "Логото трябва да бъде със ширина " + std::to_string(kWidth) + " и височина " +
             std::to_string(kHeight) + "\nКартината е " + size + ".";
    case Verdict::kWrongDepth:
      return "Логото трябва да бъде черно-бяло, с 1 бит на точка.\nКартината е с " +
             std::to_string(check.bitsPerPixel) + " бита на точка.";
    case Verdict::kUnsupportedLayout:
      return "Логото трябва да бъде некомпресиран BMP файл с обикновена заглавна част, "
             "записан от долния ред нагоре.\nТози BMP файл е записан по друг начин.";
  }
  return "";
}

MonoPicture DecodeLogoBmp(const std::string& bytes) {
  MonoPicture picture(kWidth, kHeight);
  if (bytes.size() < kFileBytes) return picture;
  auto dark = [&](size_t at) {
    return Get(bytes, at, 1) + Get(bytes, at + 1, 1) + Get(bytes, at + 2, 1) < kDarkSum;
  };
  const bool darkBit[2] = {dark(kFileHeaderBytes + kInfoHeaderBytes),
                           dark(kFileHeaderBytes + kInfoHeaderBytes + 4)};
  const size_t row = RowBytes(kWidth);
  for (int y = 0; y < kHeight; ++y) {
    const size_t start = kPixelOffset + static_cast<size_t>(kHeight - 1 - y) * row;
    for (int x = 0; x < kWidth; ++x) {
      const unsigned byte = static_cast<unsigned char>(bytes[start + static_cast<size_t>(x) / 8]);
      picture.Set(x, y, darkBit[(byte >> (7 - x % 8)) & 1]);
    }
  }
  return picture;
}

wxSize FitSize(wxSize picture, wxSize box) {
  if (picture.x <= 0 || picture.y <= 0) return box;
  const double scale =
      std::min(static_cast<double>(box.x) / picture.x, static_cast<double>(box.y) / picture.y);
  const int w = static_cast<int>(std::lround(picture.x * scale));
  const int h = static_cast<int>(std::lround(picture.y * scale));
  return wxSize(std::clamp(w, 1, box.x), std::clamp(h, 1, box.y));
}

wxImage FitToLogo(const wxImage& picture) {
  wxImage out(kWidth, kHeight, false);
  std::fill_n(out.GetData(), static_cast<size_t>(kWidth) * kHeight * 3, kWhite);
  if (!picture.IsOk() || picture.GetWidth() <= 0 || picture.GetHeight() <= 0) return out;
  const wxSize size = FitSize(picture.GetSize(), wxSize(kWidth, kHeight));
  wxImage flat = OnWhite(picture);
  if (size != flat.GetSize()) flat.Rescale(size.x, size.y, wxIMAGE_QUALITY_HIGH);
  out.Paste(flat, (kWidth - size.x) / 2, (kHeight - size.y) / 2);
  return out;
}

int Brightness(unsigned char red, unsigned char green, unsigned char blue) {
  return (299 * red + 587 * green + 114 * blue + 500) / 1000;
}

MonoPicture Threshold(const wxImage& picture, int threshold) {
  if (!picture.IsOk()) return MonoPicture();
  MonoPicture out(picture.GetWidth(), picture.GetHeight());
  const unsigned char* p = picture.GetData();
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x, p += 3)
      out.Set(x, y, Brightness(p[0], p[1], p[2]) < threshold);
  }
  return out;
}

wxImage Render(const MonoPicture& picture) {
  wxImage out(std::max(picture.width, 1), std::max(picture.height, 1), false);
  unsigned char* q = out.GetData();
  std::fill_n(q, static_cast<size_t>(out.GetWidth()) * out.GetHeight() * 3, kWhite);
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x, q += 3) {
      if (picture.At(x, y)) q[0] = q[1] = q[2] = 0;
    }
  }
  return out;
}

std::optional<wxString> ConvertedLogoPath(const wxString& original,
                                          const std::function<bool(const wxString&)>& exists) {
  const wxFileName source(original);
  for (int i = 1; i <= kMaxNameTries; ++i) {
    wxFileName candidate(source);
    candidate.SetName(source.GetName() + "_logo" + (i > 1 ? wxString::Format("%d", i) : ""));
    candidate.SetExt("bmp");
    const wxString path = candidate.GetFullPath();
    if (!exists(path)) return path;
  }
  return std::nullopt;
}

bool WriteFileBytes(const wxString& path, const std::string& bytes) {
  wxLogNull quiet;
  bool written = false;
  {
    wxFFile file;
    if (!file.Open(path, "wb")) return false;
    written = file.Write(bytes.data(), bytes.size()) == bytes.size();
    written = file.Close() && written;
  }
  if (!written) wxRemoveFile(path);
  return written;
}

void EnsureImageHandlers() {
  static const bool registered = [] {
    wxInitAllImageHandlers();
    return true;
  }();
  (void)registered;
}

wxString PictureWildcard() {
  wxArrayString patterns;
  for (wxList::compatibility_iterator node = wxImage::GetHandlers().GetFirst(); node;
       node = node->GetNext()) {
    const auto* handler = static_cast<const wxImageHandler*>(node->GetData());
    wxArrayString extensions = handler->GetAltExtensions();
    extensions.Insert(handler->GetExtension(), 0);
    for (const wxString& ext : extensions) {
      if (!ext.empty() && patterns.Index("*." + ext, false) == wxNOT_FOUND)
        patterns.Add("*." + ext);
    }
  }
#ifdef _WIN32
  // Read by the system's imaging component (LoadPicture).
  for (const char* pattern : {"*.png", "*.jpg", "*.jpeg", "*.gif", "*.tif", "*.tiff", "*.ico"})
    if (patterns.Index(pattern, false) == wxNOT_FOUND) patterns.Add(pattern);
#endif
  const wxString all = wxJoin(patterns, ';', '\0');
  return wxString::FromUTF8("Картини (") + all + ")|" + all +
         wxString::FromUTF8("|BMP (*.bmp)|*.bmp|Всички файлове|*");
}

std::string DriverPath(const wxString& path) {
#ifdef _WIN32
  // UTF-8, which the driver opens by its wide-character name: the ANSI code
  // page cannot hold every folder name.
  const wxCharBuffer narrow = path.utf8_str();
#else
  const wxCharBuffer narrow = path.mb_str(*wxConvFileName);
#endif
  return narrow.data() ? std::string(narrow.data()) : std::string();
}

}  // namespace logo
