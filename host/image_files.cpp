// Image files through WIC: checked bytes decoded to 24-bit BGR, images encoded by extension.
#include "host/image_files.h"

#include <cstring>
#include <new>
#include <vector>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <wincodec.h>

#include "host/exif_orientation.h"
#include "host/file_replacement.h"
#include "host/image_orientation.h"
#include "host/image_precheck.h"
#include "host/png_encoder.h"
#include "platform/path_names.h"

namespace molvane::host {
namespace {

// The ole32 functions we need, looked up once: importing ole32 would load
// user32 before a host program has created its allocator record.
struct Ole32 {
  HRESULT(WINAPI* CoInitializeEx)(void*, DWORD) = nullptr;
  void(WINAPI* CoUninitialize)() = nullptr;
  HRESULT(WINAPI* CoCreateInstance)(REFCLSID, IUnknown*, DWORD, REFIID, void**) = nullptr;
  HRESULT(WINAPI* CreateStreamOnHGlobal)(HGLOBAL, BOOL, IStream**) = nullptr;
  HRESULT(WINAPI* GetHGlobalFromStream)(IStream*, HGLOBAL*) = nullptr;
};

template <typename Fn>
void Find(HMODULE module, const char* name, Fn& target) {
  target = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

const Ole32* LoadOle32() {
  static Ole32 functions;
  static bool tried = false;
  if (!tried) {
    tried = true;
    if (HMODULE module = LoadLibraryA("ole32.dll")) {
      Find(module, "CoInitializeEx", functions.CoInitializeEx);
      Find(module, "CoUninitialize", functions.CoUninitialize);
      Find(module, "CoCreateInstance", functions.CoCreateInstance);
      Find(module, "CreateStreamOnHGlobal", functions.CreateStreamOnHGlobal);
      Find(module, "GetHGlobalFromStream", functions.GetHGlobalFromStream);
    }
  }
  const Ole32& f = functions;
  return f.CoInitializeEx && f.CoUninitialize && f.CoCreateInstance && f.CreateStreamOnHGlobal && f.GetHGlobalFromStream
             ? &functions
             : nullptr;
}

// A COM pointer released at scope end.
template <typename T>
class Com {
 public:
  Com() = default;
  ~Com() {
    if (p_) p_->Release();
  }
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  T** Out() { return &p_; }
  T* operator->() const { return p_; }
  T* Get() const { return p_; }

 private:
  T* p_ = nullptr;
};

// COM for the calling thread, for one read or write.
class Apartment {
 public:
  Apartment() : ole_(LoadOle32()) {
    if (!ole_) return;
    const HRESULT init = ole_->CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    initialised_ = SUCCEEDED(init);
    // A thread already in another apartment can still create the factory.
    usable_ = SUCCEEDED(init) || init == RPC_E_CHANGED_MODE;
  }
  ~Apartment() {
    if (initialised_) ole_->CoUninitialize();
  }
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;
  const Ole32* Usable() const { return usable_ ? ole_ : nullptr; }

 private:
  const Ole32* ole_;
  bool initialised_ = false;
  bool usable_ = false;
};

// The imaging factory, released before its apartment ends (members go in reverse order).
class Imaging {
 public:
  Imaging() {
    if (const Ole32* ole = apartment_.Usable())
      ole->CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                            reinterpret_cast<void**>(factory_.Out()));
  }
  IWICImagingFactory* Factory() const { return factory_.Get(); }
  const Ole32* Ole() const { return apartment_.Usable(); }

 private:
  Apartment apartment_;
  Com<IWICImagingFactory> factory_;
};

std::wstring Wide(const std::string& text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(size_t(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], length);
  wide.resize(size_t(length - 1));
  return wide;
}

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return text;
}

bool Fail(std::string& error, const std::string& message) {
  error = message;
  return false;
}

const char kNoCodecs[] = "Les codecs d'images du système (WIC) ne sont pas disponibles.";

// The frame's pixels into `image` (already sized) as 24-bit BGR. Some
// codecs cannot convert straight to 24 bits (Wine's, from a GIF's palette):
// they go through 32-bit BGRA, whose alpha is dropped.
bool CopyAs24Bits(IWICImagingFactory* factory, IWICBitmapSource* frame, UINT width, UINT height, Pixel24* pixels) {
  Com<IWICFormatConverter> direct;
  if (SUCCEEDED(factory->CreateFormatConverter(direct.Out())) &&
      SUCCEEDED(direct->Initialize(frame, GUID_WICPixelFormat24bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)) &&
      SUCCEEDED(direct->CopyPixels(nullptr, width * 3, width * height * 3, reinterpret_cast<BYTE*>(pixels))))
    return true;
  Com<IWICFormatConverter> withAlpha;
  std::vector<BYTE> row(size_t(width) * 4);
  if (FAILED(factory->CreateFormatConverter(withAlpha.Out())) ||
      FAILED(withAlpha->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)))
    return false;
  for (UINT y = 0; y < height; ++y) {
    const WICRect line{0, INT(y), INT(width), 1};
    if (FAILED(withAlpha->CopyPixels(&line, width * 4, UINT(row.size()), row.data()))) return false;
    for (UINT x = 0; x < width; ++x)
      pixels[size_t(y) * width + x] = Pixel24{row[x * 4], row[x * 4 + 1], row[x * 4 + 2]};
  }
  return true;
}

const GUID& ContainerOf(ImageFormat format) {
  switch (format) {
    case ImageFormat::kBmp: return GUID_ContainerFormatBmp;
    case ImageFormat::kPng: return GUID_ContainerFormatPng;
    case ImageFormat::kJpeg: return GUID_ContainerFormatJpeg;
    case ImageFormat::kGif: return GUID_ContainerFormatGif;
    default: return GUID_ContainerFormatTiff;
  }
}

// The turn a photograph's orientation tag asks for, read from the checked
// bytes: Wine's codecs answer no metadata query on a JPEG, and their TIFF
// directory reader faults on damaged files.
Turn OrientationOf(ImageFormat format, const uint8_t* data, size_t size) {
  if (format == ImageFormat::kJpeg) return JpegExifTurn(data, size);
  if (format == ImageFormat::kTiff) return TiffOrientationTurn(data, size);
  return Turn::kNone;
}

// The checked bytes through the codec of their kind, and no other.
// `into`: the caller's array, filled in place of image.pixels (left empty, the size set) when no turn is needed.
bool Decode(const uint8_t* data, size_t size, ImageFormat format, Bitmap24& image, std::string& error,
            const PixelArrayMaker* into) {
  Imaging imaging;
  if (!imaging.Factory()) return Fail(error, kNoCodecs);
  Com<IWICStream> stream;
  Com<IWICBitmapDecoder> decoder;
  if (FAILED(imaging.Factory()->CreateStream(stream.Out())) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(data), DWORD(size))) ||
      FAILED(imaging.Factory()->CreateDecoder(ContainerOf(format), nullptr, decoder.Out())) ||
      FAILED(decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand)))
    return Fail(error, kUnknownImageKind);
  Com<IWICBitmapFrameDecode> frame;
  UINT width = 0, height = 0;
  if (FAILED(decoder->GetFrame(0, frame.Out())) || FAILED(frame->GetSize(&width, &height)) || !width || !height)
    return Fail(error, "Le fichier ne contient aucune image lisible.");
  // The codec may read a size other than the header's (a BMP's negative width, say).
  const std::string tooLarge = WhyTooLarge(width, height);
  if (!tooLarge.empty()) return Fail(error, tooLarge);
  const Turn turn = OrientationOf(format, data, size);
  Bitmap24 decoded;
  decoded.width = int32_t(width);
  decoded.height = int32_t(height);
  Pixel24* pixels = nullptr;
  try {
    // Upright already: straight into the caller's array, when it gives one.
    if (turn == Turn::kNone && into) {
      pixels = (*into)(int32_t(width), int32_t(height));
    } else {
      decoded.pixels.resize(size_t(width) * height);
      pixels = decoded.pixels.data();
    }
  } catch (const std::bad_alloc&) {
    return Fail(error, "La mémoire manque pour une image de " + std::to_string(width) + " x " +
                           std::to_string(height) + " pixels.");
  }
  if (!CopyAs24Bits(imaging.Factory(), frame.Get(), width, height, pixels))
    return Fail(error, "Les pixels de cette image ne peuvent pas être lus en couleurs 24 bits : "
                       "le fichier est endommagé ou d'un type que le système ne sait pas convertir.");
  if (turn == Turn::kNone) {
    image = std::move(decoded);
    return true;
  }
  try {
    image = Turned(decoded, turn);
  } catch (const std::bad_alloc&) {
    return Fail(error, "La mémoire manque pour redresser cette image de " + std::to_string(width) + " x " +
                           std::to_string(height) + " pixels.");
  }
  return true;
}

// A file's bytes in memory, mapped read-only; no other program may write
// the file meanwhile, so what was checked is what the codec decodes.
class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile() {
    if (view_) UnmapViewOfFile(view_);
    if (mapping_) CloseHandle(mapping_);
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  bool Open(const std::string& path, std::string& error) {
    file_ = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) {
      const DWORD code = GetLastError();
      if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION)
        return Fail(error, "Le fichier est ouvert dans un autre programme, qui en interdit la lecture.");
      if (code == ERROR_ACCESS_DENIED) return Fail(error, "L'accès au fichier est refusé.");
      return Fail(error, "Le fichier ne peut pas être lu (erreur système " + std::to_string(code) + ").");
    }
    LARGE_INTEGER length;
    if (!GetFileSizeEx(file_, &length)) return Fail(error, "La taille du fichier ne peut pas être lue.");
    if (length.QuadPart == 0) return Fail(error, "Le fichier est vide.");
    // Beyond the pixels of the largest image we open and more than any of its files needs.
    if (length.QuadPart > LONGLONG(2 * kMaxImagePixelBytes))
      return Fail(error, "Le fichier est trop grand (" + std::to_string(length.QuadPart >> 20) +
                             " Mo) : une image de la taille permise n'en a pas besoin.");
    size_ = size_t(length.QuadPart);
    mapping_ = CreateFileMappingA(file_, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping_) view_ = MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0);
    if (!view_) return Fail(error, "La mémoire manque pour lire ce fichier.");
    return true;
  }
  const uint8_t* Data() const { return static_cast<const uint8_t*>(view_); }
  size_t Size() const { return size_; }

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
  HANDLE mapping_ = nullptr;
  void* view_ = nullptr;
  size_t size_ = 0;
};

// Sets the JPEG encoder's quality (0..1) in the frame's property bag.
void SetJpegQuality(IPropertyBag2* properties, int quality) {
  PROPBAG2 option;
  std::memset(&option, 0, sizeof option);
  option.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
  VARIANT value;
  std::memset(&value, 0, sizeof value);
  value.vt = VT_R4;
  value.fltVal = float(quality < 1 ? 1 : quality > 100 ? 100 : quality) / 100.0f;
  properties->Write(1, &option, &value);
}

}  // namespace

bool EncodeBySystemCodec(ImageFormat format, const Bitmap24& image, int jpegQuality, std::vector<uint8_t>& bytes,
            std::string& error) {
  Imaging imaging;
  if (!imaging.Factory()) return Fail(error, kNoCodecs);
  Com<IStream> stream;
  if (FAILED(imaging.Ole()->CreateStreamOnHGlobal(nullptr, TRUE, stream.Out())))
    return Fail(error, "La mémoire manque pour écrire cette image.");
  Com<IWICBitmapEncoder> encoder;
  Com<IWICBitmapFrameEncode> frame;
  Com<IPropertyBag2> properties;
  if (FAILED(imaging.Factory()->CreateEncoder(ContainerOf(format), nullptr, encoder.Out())) ||
      FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(frame.Out(), properties.Out())))
    return Fail(error, "Le système ne sait pas écrire ce format d'image.");
  if (format == ImageFormat::kJpeg && properties.Get()) SetJpegQuality(properties.Get(), jpegQuality);
  WICPixelFormatGUID pixelFormat = GUID_WICPixelFormat24bppBGR;
  if (FAILED(frame->Initialize(properties.Get())) || FAILED(frame->SetSize(UINT(image.width), UINT(image.height))) ||
      FAILED(frame->SetPixelFormat(&pixelFormat)))
    return Fail(error, "Le système refuse d'écrire une image de cette taille dans ce format.");
  const UINT stride = UINT(image.width) * 3;
  const UINT pixelBytes = UINT(image.pixels.size() * 3);
  BYTE* pixels = reinterpret_cast<BYTE*>(const_cast<Pixel24*>(image.pixels.data()));
  HRESULT written;
  if (IsEqualGUID(pixelFormat, GUID_WICPixelFormat24bppBGR)) {
    written = frame->WritePixels(UINT(image.height), stride, pixelBytes, pixels);
  } else {
    // The encoder wants another layout (RGB order, say): the codec converts.
    Com<IWICBitmap> source;
    Com<IWICFormatConverter> converter;
    written = imaging.Factory()->CreateBitmapFromMemory(UINT(image.width), UINT(image.height),
                                                        GUID_WICPixelFormat24bppBGR, stride, pixelBytes, pixels,
                                                        source.Out());
    if (SUCCEEDED(written)) written = imaging.Factory()->CreateFormatConverter(converter.Out());
    if (SUCCEEDED(written))
      written = converter->Initialize(source.Get(), pixelFormat, WICBitmapDitherTypeNone, nullptr, 0.0,
                                      WICBitmapPaletteTypeCustom);
    if (SUCCEEDED(written)) written = frame->WriteSource(converter.Get(), nullptr);
  }
  STATSTG stat;
  HGLOBAL memory = nullptr;
  if (FAILED(written) || FAILED(frame->Commit()) || FAILED(encoder->Commit()) ||
      FAILED(stream->Stat(&stat, STATFLAG_NONAME)) || FAILED(imaging.Ole()->GetHGlobalFromStream(stream.Get(), &memory)))
    return Fail(error, "Le système n'a pas pu coder cette image dans ce format.");
  const auto* start = static_cast<const uint8_t*>(GlobalLock(memory));
  if (!start) return Fail(error, "La mémoire manque pour écrire cette image.");
  bytes.assign(start, start + size_t(stat.cbSize.QuadPart));
  GlobalUnlock(memory);
  return true;
}

ImageFormat FormatOfPath(const std::string& path) {
  const std::string extension = Lower(ExtensionOf(path));
  if (extension == ".bmp") return ImageFormat::kBmp;
  if (extension == ".png") return ImageFormat::kPng;
  if (extension == ".jpg" || extension == ".jpeg") return ImageFormat::kJpeg;
  if (extension == ".tif" || extension == ".tiff") return ImageFormat::kTiff;
  if (extension == ".gif") return ImageFormat::kGif;
  return ImageFormat::kUnknown;
}

bool CanWriteFormat(ImageFormat format) { return format != ImageFormat::kUnknown && format != ImageFormat::kGif; }

namespace {

bool DecodeBytes(const uint8_t* data, size_t size, Bitmap24& image, std::string& error, const PixelArrayMaker* into) {
  std::string problem;
  const ImageFormat format = CheckImageStructure(data, size, problem);
  if (!problem.empty()) return Fail(error, problem);
  // Our own decoder first for BMP: it reads exactly the files we write; the
  // codec then takes the palette and 32-bit kinds it refuses.
  std::string bmpError;
  if (format == ImageFormat::kBmp && DecodeBmp(data, size, image, bmpError)) return true;
  return Decode(data, size, format, image, error, into);
}

bool Read(const std::string& path, Bitmap24& image, std::string& error, const PixelArrayMaker* into) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Fail(error, "Le fichier est introuvable.");
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Fail(error, "C'est un dossier, pas un fichier d'image.");
  MappedFile file;
  if (!file.Open(path, error)) return false;
  return DecodeBytes(file.Data(), file.Size(), image, error, into);
}

}  // namespace

bool ReadImageFile(const std::string& path, Bitmap24& image, std::string& error) {
  return Read(path, image, error, nullptr);
}

bool ReadImageFileInto(const std::string& path, const PixelArrayMaker& make, int32_t& width, int32_t& height,
                       std::string& error) {
  Bitmap24 image;
  if (!Read(path, image, error, &make)) return false;
  // Read by our BMP decoder, or turned upright: copied into the array.
  if (!image.pixels.empty()) {
    try {
      std::memcpy(make(image.width, image.height), image.pixels.data(), image.pixels.size() * sizeof(Pixel24));
    } catch (const std::bad_alloc&) {
      return Fail(error, "La mémoire manque pour une image de " + std::to_string(image.width) + " x " +
                             std::to_string(image.height) + " pixels.");
    }
  }
  width = image.width;
  height = image.height;
  return true;
}

bool DecodeImageBytes(const uint8_t* data, size_t size, Bitmap24& image, std::string& error) {
  return DecodeBytes(data, size, image, error, nullptr);
}

bool WriteImageFile(const std::string& path, const Bitmap24& image, std::string& error, int jpegQuality) {
  const ImageFormat format = FormatOfPath(path);
  if (!CanWriteFormat(format))
    return Fail(error, "Ce format ne peut pas être écrit : choisissez une extension .bmp, .png, .jpg ou .tif.");
  if (image.width <= 0 || image.height <= 0 || image.pixels.size() != size_t(image.width) * size_t(image.height))
    return Fail(error, "Il n'y a aucune image à écrire.");
  std::vector<uint8_t> bytes;
  try {
    // PNG by our own encoder: the system's takes seconds on a large photograph.
    if (format == ImageFormat::kBmp) bytes = EncodeBmp(image);
    else if (format == ImageFormat::kPng) bytes = EncodePng(image);
    else if (!EncodeBySystemCodec(format, image, jpegQuality, bytes, error)) return false;
  } catch (const std::bad_alloc&) {
    return Fail(error, "La mémoire manque pour écrire cette image.");
  }
  return ReplaceFileWith(path, bytes, error);
}

}  // namespace molvane::host
