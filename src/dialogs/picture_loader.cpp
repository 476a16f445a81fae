// Decoding a picture file of any format the machine can read. The toolkit's
// own decoders come first; on Windows, whose toolkit build carries no PNG or
// JPEG decoder, the system's imaging component reads the rest.
#include <wx/log.h>

#include <cstddef>
#include <vector>

#include "dialogs/logo_picture.h"

#ifdef _WIN32
#include <wincodec.h>
#include <windows.h>
#endif

namespace logo {

namespace {

#ifdef _WIN32
// Larger pictures are refused rather than taking gigabytes to decode.
constexpr UINT kMaxSide = 20000;

// An interface pointer released when it goes out of scope.
template <class T>
struct ComRef {
  T* p = nullptr;
  ComRef() = default;
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ~ComRef() {
    if (p) p->Release();
  }
  T* operator->() const { return p; }
};

wxImage DecodeWithSystem(const wxString& path) {
  // The toolkit has usually set up COM on this thread already (S_FALSE); each
  // successful call is balanced, a thread in another mode is used as it is.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  wxImage out;
  {
    ComRef<IWICImagingFactory> factory;
    ComRef<IWICBitmapDecoder> decoder;
    ComRef<IWICBitmapFrameDecode> frame;
    ComRef<IWICBitmapSource> bgra;
    UINT w = 0, h = 0;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWICImagingFactory, reinterpret_cast<void**>(&factory.p))) &&
        SUCCEEDED(factory->CreateDecoderFromFilename(path.wc_str(), nullptr, GENERIC_READ,
                                                     WICDecodeMetadataCacheOnDemand, &decoder.p)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame.p)) &&
        SUCCEEDED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.p, &bgra.p)) &&
        SUCCEEDED(bgra->GetSize(&w, &h)) && w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide) {
      const size_t pixels = static_cast<size_t>(w) * h;
      std::vector<BYTE> bytes(pixels * 4);
      if (SUCCEEDED(
              bgra->CopyPixels(nullptr, w * 4, static_cast<UINT>(bytes.size()), bytes.data()))) {
        out.Create(static_cast<int>(w), static_cast<int>(h), false);
        out.InitAlpha();
        unsigned char* rgb = out.GetData();
        unsigned char* alpha = out.GetAlpha();
        for (size_t i = 0; i < pixels; ++i) {
          rgb[3 * i] = bytes[4 * i + 2];
          rgb[3 * i + 1] = bytes[4 * i + 1];
          rgb[3 * i + 2] = bytes[4 * i];
          alpha[i] = bytes[4 * i + 3];
        }
      }
    }
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return out;
}
#endif

}  // namespace

wxImage LoadPicture(const wxString& path) {
  EnsureImageHandlers();
  wxImage picture;
  {
    wxLogNull quiet;  // a file no decoder takes gets the caller's message
    picture.LoadFile(path);
  }
#ifdef _WIN32
  if (!picture.IsOk()) picture = DecodeWithSystem(path);
#endif
  return picture;
}

}  // namespace logo
