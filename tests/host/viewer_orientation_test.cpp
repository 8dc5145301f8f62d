// The viewer's turns and mirrors against a per-pixel reference with exact undo, photographs
// whose Exif or TIFF orientation says they were taken turned, and the copy offered as a PNG too.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <initializer_list>
#include <string>
#include <vector>

#include "host/dialog_driver.h"
#include "host/exif_orientation.h"
#include "host/image_files.h"
#include "host/viewer/clipboard.h"
#include "host/viewer/main_frame.h"
#include "host_test_support.h"
#include "viewer_test_support.h"

namespace molvane::hosttest {
namespace {

using host::Bitmap24;

// The picture as a person sees it once the Exif orientation `tag` is obeyed,
// pixel by pixel from the tag's own definition (where row 0 and column 0 of
// the stored image lie in the picture): 1 top-left, 2 top-right, 3
// bottom-right, 4 bottom-left, 5 left-top, 6 right-top, 7 right-bottom, 8 left-bottom.
Bitmap24 Upright(const Bitmap24& stored, int tag) {
  const int32_t w = stored.width, h = stored.height;
  const bool sideways = tag >= 5;
  Bitmap24 shown;
  shown.width = sideways ? h : w;
  shown.height = sideways ? w : h;
  shown.pixels.resize(stored.pixels.size());
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      int32_t sx = x, sy = y;  // where stored pixel (x, y) is seen
      switch (tag) {
        case 2: sx = w - 1 - x; break;
        case 3: sx = w - 1 - x, sy = h - 1 - y; break;
        case 4: sy = h - 1 - y; break;
        case 5: sx = y, sy = x; break;
        case 6: sx = h - 1 - y, sy = x; break;
        case 7: sx = h - 1 - y, sy = w - 1 - x; break;
        case 8: sx = y, sy = w - 1 - x; break;
        default: break;
      }
      shown.pixels[size_t(sy) * size_t(shown.width) + size_t(sx)] = stored.pixels[size_t(y) * size_t(w) + size_t(x)];
    }
  }
  return shown;
}

Bitmap24 RandomImage(int32_t width, int32_t height, uint32_t seed) {
  Bitmap24 image;
  image.width = width;
  image.height = height;
  image.pixels = RandomPixels(int64_t(width) * height, seed);
  return image;
}

Bitmap24 Shown(const viewer::ImageView& view) { return view.Document().Image(); }

// The viewer started on `image`, written as a BMP file that goes with it.
struct ViewerOnImage {
  ViewerOnImage(const Bitmap24& image, const std::string& name) : path(TemporaryFile(name)) {
    std::string error;
    EXPECT_TRUE(host::WriteImageFile(path, image, error)) << error;
    frame = StartViewer({path});
  }
  ~ViewerOnImage() {
    frame.reset();
    DeleteFileA(path.c_str());
  }
  bool Opened() const { return frame && frame->Views().size() == 1u; }
  std::string path;
  std::unique_ptr<viewer::MainFrame> frame;
};

::testing::AssertionResult Same(const Bitmap24& actual, const Bitmap24& expected) {
  if (actual.width != expected.width || actual.height != expected.height)
    return ::testing::AssertionFailure() << actual.width << " x " << actual.height << " instead of " << expected.width
                                         << " x " << expected.height;
  if (actual.pixels != expected.pixels) return ::testing::AssertionFailure() << "the pixels differ";
  return ::testing::AssertionSuccess();
}

// Each command, one after the other, against the reference; then every step
// undone back to the opened image and redone, the exact image and size each time.
TEST(ViewerOrientation, TurnsAndMirrorsGiveTheReferencePixelsAndUndoExactly) {
  const Bitmap24 opened = RandomImage(37, 23, 650);
  ViewerOnImage viewer(opened, "tourner.bmp");
  ASSERT_TRUE(viewer.Opened());
  auto& frame = viewer.frame;
  viewer::ImageView& view = *frame->Views()[0];
  const struct {
    UINT command;
    int tag;  // the Exif orientation that asks for the same turn
  } steps[] = {{viewer::kRotateRight, 6}, {viewer::kMirrorLeftRight, 2}, {viewer::kRotateLeft, 8},
               {viewer::kRotateHalf, 3},  {viewer::kMirrorTopBottom, 4}, {viewer::kRotateRight, 6}};
  std::vector<Bitmap24> states = {opened};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.command);
    const size_t historyBefore = frame->History().Used();
    Command(*frame, step.command);
    states.push_back(Upright(states.back(), step.tag));
    ASSERT_TRUE(Same(Shown(view), states.back()));
    // Every step is held in the budget: a whole image for these random pixels.
    EXPECT_EQ(frame->History().Used() - historyBefore, opened.pixels.size() * sizeof(Pixel24));
    EXPECT_EQ(frame->StatusText(0), std::to_string(states.back().width) + " x " +
                                        std::to_string(states.back().height) + " pixels");
  }
  for (size_t i = states.size() - 1; i > 0; --i) {
    Command(*frame, viewer::kUndo);
    ASSERT_TRUE(Same(Shown(view), states[i - 1])) << "undo to state " << i - 1;
  }
  EXPECT_FALSE(view.Document().Modified());
  for (size_t i = 1; i < states.size(); ++i) {
    Command(*frame, viewer::kRedo);
    ASSERT_TRUE(Same(Shown(view), states[i])) << "redo to state " << i;
  }
}

// An APP1 segment holding an Exif block whose first directory has one entry.
std::vector<uint8_t> ExifSegment(uint16_t tag, uint16_t type, uint32_t count, uint16_t value, bool bigEndian) {
  std::vector<uint8_t> tiff;
  auto put16 = [&](uint32_t v) {
    if (bigEndian) tiff.insert(tiff.end(), {uint8_t(v >> 8), uint8_t(v)});
    else tiff.insert(tiff.end(), {uint8_t(v), uint8_t(v >> 8)});
  };
  auto put32 = [&](uint32_t v) { bigEndian ? (put16(v >> 16), put16(v)) : (put16(v), put16(v >> 16)); };
  tiff.insert(tiff.end(), bigEndian ? std::initializer_list<uint8_t>{'M', 'M'} : std::initializer_list<uint8_t>{'I', 'I'});
  put16(42), put32(8), put16(1), put16(tag), put16(type), put32(count), put16(value), put16(0), put32(0);
  std::vector<uint8_t> segment = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
  segment.insert(segment.end(), tiff.begin(), tiff.end());
  segment[2] = uint8_t((segment.size() - 2) >> 8);
  segment[3] = uint8_t(segment.size() - 2);
  return segment;
}

// `segment` right after the JPEG's start marker.
std::vector<uint8_t> WithSegment(const std::vector<uint8_t>& jpeg, const std::vector<uint8_t>& segment) {
  std::vector<uint8_t> bytes(jpeg.begin(), jpeg.begin() + 2);
  bytes.insert(bytes.end(), segment.begin(), segment.end());
  bytes.insert(bytes.end(), jpeg.begin() + 2, jpeg.end());
  return bytes;
}

// An uncompressed RGB TIFF in one strip, with an orientation entry.
std::vector<uint8_t> TaggedTiff(const Bitmap24& image, uint16_t orientation) {
  std::vector<uint8_t> file = {'I', 'I', 42, 0, 8, 0, 0, 0};
  auto put16 = [&](uint32_t v) { file.insert(file.end(), {uint8_t(v), uint8_t(v >> 8)}); };
  auto put32 = [&](uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
  const uint32_t entries = 10, bitsAt = 8 + 2 + entries * 12 + 4, pixelsAt = bitsAt + 6;
  const uint32_t w = uint32_t(image.width), h = uint32_t(image.height);
  put16(entries);
  const uint32_t table[10][4] = {{256, 4, 1, w},        {257, 4, 1, h},          {258, 3, 3, bitsAt},
                                 {259, 3, 1, 1},        {262, 3, 1, 2},          {273, 4, 1, pixelsAt},
                                 {274, 3, 1, orientation}, {277, 3, 1, 3},       {278, 4, 1, h},
                                 {279, 4, 1, w * h * 3}};
  for (const auto& e : table) put16(e[0]), put16(e[1]), put32(e[2]), put32(e[3]);
  put32(0);
  put16(8), put16(8), put16(8);
  for (const Pixel24& p : image.pixels) file.insert(file.end(), {p.r, p.g, p.b});
  return file;
}

// A JPEG (whose decoded pixels are the stored image, whatever its tag) and
// a lossless TIFF, tagged in each of the eight ways, open the right way up
// in the viewer; the batch host reads files through the same function.
TEST(ViewerOrientation, PhotographsTaggedInAnyOfTheEightWaysOpenTheRightWayUp) {
  const Bitmap24 stored = RandomImage(41, 27, 274);
  const std::string untagged = TemporaryFile("exif-0.jpg");
  std::string error;
  ASSERT_TRUE(host::WriteImageFile(untagged, stored, error)) << error;
  const std::vector<uint8_t> jpeg = BytesOf(untagged);
  std::vector<std::string> files = {untagged};
  for (int tag = 1; tag <= 8; ++tag) {
    files.push_back(TemporaryFile("exif-" + std::to_string(tag) + ".jpg"));
    // Both byte orders cameras write.
    WriteBytes(files.back(), WithSegment(jpeg, ExifSegment(274, 3, 1, uint16_t(tag), tag % 2 == 0)));
    files.push_back(TemporaryFile("tiff-" + std::to_string(tag) + ".tif"));
    WriteBytes(files.back(), TaggedTiff(stored, uint16_t(tag)));
  }
  auto frame = StartViewer(files);
  ASSERT_TRUE(frame);
  ASSERT_EQ(frame->Views().size(), files.size());
  const Bitmap24 decoded = Shown(*frame->Views()[0]);
  for (int tag = 1; tag <= 8; ++tag) {
    SCOPED_TRACE("orientation " + std::to_string(tag));
    EXPECT_TRUE(Same(Shown(*frame->Views()[size_t(2 * tag - 1)]), Upright(decoded, tag))) << "JPEG";
    EXPECT_TRUE(Same(Shown(*frame->Views()[size_t(2 * tag)]), Upright(stored, tag))) << "TIFF";
  }
  frame.reset();
  for (const std::string& file : files) DeleteFileA(file.c_str());
}

// Damaged or unusual Exif blocks and TIFF directories read as no turn, never outside the bytes
// (they end just before an inaccessible page).
TEST(ViewerOrientation, DamagedExifBlocksReadAsNoTurn) {
  const std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xDA, 0, 2, 0xFF, 0xD9};
  const std::vector<uint8_t> good = ExifSegment(274, 3, 1, 6, false);
  const std::vector<uint8_t> other = ExifSegment(275, 3, 1, 6, false);
  auto cut = [](std::vector<uint8_t> bytes, size_t size) { return bytes.resize(size), bytes; };
  auto with = [](std::vector<uint8_t> bytes, size_t at, uint8_t value) { return bytes[at] = value, bytes; };
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    host::Turn turn;
  } cases[] = {
      {"a good block", WithSegment(jpeg, good), host::Turn::kRight},
      {"after fill bytes", WithSegment(jpeg, [&] { auto s = good; s.insert(s.begin(), 0xFF); return s; }()),
       host::Turn::kRight},
      {"no block", jpeg, host::Turn::kNone},
      {"the file cut inside the block", cut(WithSegment(jpeg, good), 30), host::Turn::kNone},
      {"every length cut short", cut(WithSegment(jpeg, good), 14), host::Turn::kNone},
      {"a segment length past the end", with(WithSegment(jpeg, good), 4, 0xFF), host::Turn::kNone},
      {"a segment length below 2", with(with(WithSegment(jpeg, good), 4, 0), 5, 1), host::Turn::kNone},
      {"a directory past the end", with(WithSegment(jpeg, good), 2 + 10 + 4, 0xF0), host::Turn::kNone},
      {"65535 entries announced, one there", with(with(WithSegment(jpeg, other), 2 + 10 + 8, 0xFF), 2 + 10 + 9, 0xFF),
       host::Turn::kNone},
      {"a value of 9", WithSegment(jpeg, ExifSegment(274, 3, 1, 9, true)), host::Turn::kNone},
      {"a value of 0", WithSegment(jpeg, ExifSegment(274, 3, 1, 0, false)), host::Turn::kNone},
      {"a LONG, not a SHORT", WithSegment(jpeg, ExifSegment(274, 4, 1, 6, false)), host::Turn::kNone},
      {"two values", WithSegment(jpeg, ExifSegment(274, 3, 2, 6, false)), host::Turn::kNone},
      {"another tag", WithSegment(jpeg, other), host::Turn::kNone},
      {"a block after the scan", [&] { auto b = jpeg; b.insert(b.begin() + 6, good.begin(), good.end()); return b; }(),
       host::Turn::kNone},
      {"not a JPEG", {'G', 'I', 'F', '8'}, host::Turn::kNone},
  };
  for (const auto& c : cases) {
    const GuardedBytes bytes(c.bytes);
    EXPECT_EQ(int(host::JpegExifTurn(bytes.data(), bytes.size())), int(c.turn)) << c.what;
  }
  const GuardedBytes directoryCutAfterItsCount({'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0});
  EXPECT_EQ(int(host::TiffOrientationTurn(directoryCutAfterItsCount.data(), directoryCutAfterItsCount.size())),
            int(host::Turn::kNone));
}

// The bytes of a clipboard format, or none.
std::vector<uint8_t> ClipboardFormatBytes(HWND owner, UINT format) {
  std::vector<uint8_t> bytes;
  if (!OpenClipboard(owner)) return bytes;
  if (HANDLE handle = GetClipboardData(format)) {
    const auto* data = static_cast<const uint8_t*>(GlobalLock(handle));
    if (data) bytes.assign(data, data + GlobalSize(handle));
    GlobalUnlock(handle);
  }
  CloseClipboard();
  return bytes;
}

// The icon a message box shows.
HICON BoxIcon(HWND box) {
  for (HWND child = FindWindowExA(box, nullptr, "Static", nullptr); child;
       child = FindWindowExA(box, child, "Static", nullptr))
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
      return reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
  return nullptr;
}

// Copier offers the image both as a bitmap and as a PNG (what Linux
// programs are offered under Wine), each the exact pixels; a clipboard
// without an image is a notice, not an error.
TEST(ViewerOrientation, CopyOffersABitmapAndAPngOfTheExactPixels) {
  const Bitmap24 image = RandomImage(29, 17, 1024);
  ViewerOnImage viewer(image, "copier.bmp");
  ASSERT_TRUE(viewer.Opened());
  auto& frame = viewer.frame;
  std::string error;
  Command(*frame, viewer::kCopy);
  const std::vector<uint8_t> dib = ClipboardFormatBytes(frame->Window(), CF_DIB);
  const std::vector<uint8_t> png = ClipboardFormatBytes(frame->Window(), RegisterClipboardFormatA("PNG"));
  Bitmap24 fromDib, fromPng;
  EXPECT_TRUE(viewer::DecodeDib(dib.data(), dib.size(), fromDib, error)) << error;
  EXPECT_TRUE(Same(fromDib, image));
  ASSERT_TRUE(png.size() > 8 && png[1] == 'P' && png[2] == 'N' && png[3] == 'G') << png.size() << " bytes";
  EXPECT_TRUE(host::DecodeImageBytes(png.data(), png.size(), fromPng, error)) << error;
  EXPECT_TRUE(Same(fromPng, image));

  PutOnClipboard(frame->Window(), CF_TEXT, {'a', 0});
  HICON icon = nullptr;
  std::string text;
  host::DialogScript script;
  script.OnSystemDialog("the message box", [&](HWND box) {
    text = host::MessageBoxText(box);
    icon = BoxIcon(box);
    host::PressOk(box);
  });
  EXPECT_TRUE(script.Run([&] { Command(*frame, viewer::kPaste); })) << script.FailureText();
  EXPECT_TRUE(Contains(text, "Rien à coller")) << text;
  EXPECT_EQ(icon, LoadIcon(nullptr, IDI_INFORMATION));
}

}  // namespace
}  // namespace molvane::hosttest
