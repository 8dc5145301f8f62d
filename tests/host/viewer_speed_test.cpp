// The viewer with a large image: its windows keep answering while the file is written, its picture made ahead.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cmath>

#include "host/image_files.h"
#include "host/viewer/zoomed_picture.h"
#include "test_images.h"
#include "viewer_test_support.h"

namespace molvane::hosttest {
namespace {

using viewer::ImageView;
using viewer::MainFrame;

constexpr int kHintPart = 3;

// What the viewer showed at a timer's tick in the middle of a save.
struct DuringTheSave {
  MainFrame* frame = nullptr;
  ImageView* view = nullptr;
  int ticks = 0;
  std::string hint;
  bool saveGreyed = false, closeGreyed = false, undoGreyed = false, zoomEnabled = false;
  bool waitCursor = false;
  bool stillOpenAfterClose = false;
};
DuringTheSave* during = nullptr;

// The cursor the view sets as the pointer moves over it.
HCURSOR CursorOver(ImageView& view) {
  SendMessageA(view.Window(), WM_SETCURSOR, WPARAM(view.Window()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  return GetCursor();
}

void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
  if (!during || during->ticks++ > 0) return void(KillTimer(nullptr, timer));
  during->hint = during->frame->StatusText(kHintPart);
  HMENU menu = GetMenu(during->frame->Window());
  SendMessageA(during->frame->Window(), WM_INITMENUPOPUP, WPARAM(GetSubMenu(menu, 0)), 0);
  auto greyed = [menu](UINT id) { return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) != 0; };
  during->saveGreyed = greyed(viewer::kSave) && greyed(viewer::kSaveAs);
  during->closeGreyed = greyed(viewer::kClose);
  during->undoGreyed = greyed(viewer::kUndo);
  during->zoomEnabled = !greyed(viewer::kZoomIn);
  during->waitCursor = CursorOver(*during->view) == LoadCursor(nullptr, IDC_WAIT);
  // The window's own close box, and the menu's key: neither closes the image being written.
  SendMessageA(during->view->Window(), WM_CLOSE, 0, 0);
  Command(*during->frame, viewer::kClose);
  during->stillOpenAfterClose = IsWindow(during->view->Window()) != FALSE;
  // The zoom still answers, and the window repaints.
  Command(*during->frame, viewer::kZoomIn);
  UpdateWindow(during->view->Window());
}

TEST(ViewerSaving, TheWindowsAnswerWhileALargeFileIsWritten) {
  // Noise at 3000 x 2000: the longest kind of PNG to write.
  host::Bitmap24 large{3000, 2000, testing::RandomPixels(3000 * 2000, 5)};
  const std::string source = TemporaryFile("bruit.bmp"), target = TemporaryFile("bruit.png");
  std::string error;
  ASSERT_TRUE(host::WriteImageFile(source, large, error)) << error;
  auto frame = StartViewer({source});
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  ImageView& view = *frame->Views()[0];

  DuringTheSave seen;
  seen.frame = frame.get();
  seen.view = &view;
  during = &seen;
  SetTimer(nullptr, 0, 1, Tick);
  EXPECT_TRUE(frame->SaveAs(view, target));
  during = nullptr;

  EXPECT_GE(seen.ticks, 1) << "no message was dispatched while the file was written";
  EXPECT_TRUE(Contains(seen.hint, "Enregistrement de « molvane-viewer-bruit.png »")) << seen.hint;  // the new name, not the former
  EXPECT_TRUE(seen.saveGreyed && seen.closeGreyed && seen.undoGreyed);
  EXPECT_TRUE(seen.zoomEnabled);
  EXPECT_TRUE(seen.waitCursor);
  EXPECT_TRUE(seen.stillOpenAfterClose);
  EXPECT_FALSE(Contains(frame->StatusText(kHintPart), "Enregistrement"));
  EXPECT_EQ(CursorOver(view), LoadCursor(nullptr, IDC_ARROW));
  host::Bitmap24 back;
  ASSERT_TRUE(host::ReadImageFile(target, back, error)) << error;
  EXPECT_TRUE(testing::SameBytes(back.pixels, large.pixels));
  DeleteFileA(source.c_str());
  DeleteFileA(target.c_str());
}

// The plain mean of each block, straight from the definition.
viewer::DibPixels SlowReduction(const viewer::DibPixels& image, int k) {
  viewer::DibPixels reduced;
  reduced.width = (image.width + k - 1) / k;
  reduced.height = (image.height + k - 1) / k;
  reduced.bytes.assign(reduced.Stride() * size_t(reduced.height), 0);
  auto at = [](const viewer::DibPixels& dib, int x, int y, int c) -> const uint8_t& {
    return dib.bytes[size_t(dib.height - 1 - y) * dib.Stride() + size_t(x) * 3 + size_t(c)];
  };
  for (int Y = 0; Y < reduced.height; ++Y)
    for (int X = 0; X < reduced.width; ++X)
      for (int c = 0; c < 3; ++c) {
        double sum = 0, count = 0;
        for (int y = Y * k; y < std::min(image.height, (Y + 1) * k); ++y)
          for (int x = X * k; x < std::min(image.width, (X + 1) * k); ++x) sum += at(image, x, y, c), ++count;
        const_cast<uint8_t&>(at(reduced, X, Y, c)) = uint8_t(std::floor(sum / count + 0.5));
      }
  return reduced;
}

TEST(ViewerZoom, TheReducedCopyIsTheMeanOfEachBlock) {
  std::vector<std::pair<int32_t, int32_t>> sizes = testing::AwkwardSizes();
  sizes.push_back({643, 481});
  for (const auto& [width, height] : sizes) {
    viewer::DibPixels image;
    image.width = width;
    image.height = height;
    const std::vector<Pixel24> random = testing::RandomPixels(int64_t(image.Stride()) * height / 3 + 1, uint32_t(width + height));
    image.bytes.assign(reinterpret_cast<const uint8_t*>(random.data()),
                       reinterpret_cast<const uint8_t*>(random.data()) + image.Stride() * size_t(height));
    for (const int k : {1, 2, 3, 7, 16, 300}) {  // 300: sums beyond 16 bits
      const viewer::DibPixels fast = viewer::ReduceByBlocks(image, k), slow = SlowReduction(image, k);
      EXPECT_EQ(fast.width, slow.width);
      EXPECT_EQ(fast.height, slow.height);
      // The rows' padding bytes are zeros in both.
      EXPECT_TRUE(fast.bytes == slow.bytes) << width << " x " << height << ", k = " << k;
    }
  }
}

// Below 50 % the window paints from its reduced copy: at each zoom, the
// screen under a tile's centre shows that tile's colour, where the view says
// the pixel is (flat tiles of 96 x 96: a block's mean is the tile's colour).
TEST(ViewerZoom, TheReducedPaintShowsEachPixelWhereTheViewPutsIt) {
  const int32_t tile = 96, columns = 9, rows = 6;
  const std::vector<Pixel24> colours = testing::RandomPixels(columns * rows, 9);
  host::Bitmap24 tiles{columns * tile, rows * tile, std::vector<Pixel24>(size_t(columns * tile) * size_t(rows * tile))};
  for (int32_t y = 0; y < tiles.height; ++y)
    for (int32_t x = 0; x < tiles.width; ++x)
      tiles.pixels[size_t(y) * size_t(tiles.width) + size_t(x)] = colours[size_t(y / tile * columns + x / tile)];
  const std::string path = TemporaryFile("cases.bmp");
  std::string error;
  ASSERT_TRUE(host::WriteImageFile(path, tiles, error)) << error;
  auto frame = StartViewer({path});
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  ImageView& view = *frame->Views()[0];
  for (const double zoom : {0.45, 0.3, 0.25, 0.15}) {
    view.SetZoom(zoom);
    UpdateWindow(view.Window());
    host::Bitmap24 shot;
    ASSERT_TRUE(host::CaptureScreen({view.Window()}, shot));
    RECT window;
    GetWindowRect(view.Window(), &window);
    POINT client{0, 0};
    ClientToScreen(view.Window(), &client);
    int checked = 0;
    for (int32_t row = 0; row < rows; ++row)
      for (int32_t column = 0; column < columns; ++column) {
        const POINT at = view.ClientPointOf(POINT{column * tile + tile / 2, row * tile + tile / 2});
        const LONG x = client.x - window.left + at.x, y = client.y - window.top + at.y;
        if (x < 0 || y < 0 || x >= shot.width || y >= shot.height) continue;
        const Pixel24 shown = shot.pixels[size_t(y) * size_t(shot.width) + size_t(x)];
        const Pixel24 wanted = colours[size_t(row * columns + column)];
        EXPECT_TRUE(shown.r == wanted.r && shown.g == wanted.g && shown.b == wanted.b)
            << "zoom " << zoom << ", tile " << column << ", " << row;
        ++checked;
      }
    EXPECT_GT(checked, columns * rows / 2) << "zoom " << zoom;
  }
  DeleteFileA(path.c_str());
}


// A noisy image opens on the quick picture; once the copies made in the
// background are ready the window shows the exact block means, and each zoom
// step below 50 % finds its copy made: all the slow reduction's bytes.
TEST(ViewerSpeed, TheQuickFirstPictureGivesWayToTheExactCopiesMadeAhead) {
  const host::Bitmap24 noise{2401, 1601, testing::RandomPixels(2401 * 1601, 12)};
  const std::string path = TemporaryFile("bruit_large.bmp");
  std::string error;
  ASSERT_TRUE(host::WriteImageFile(path, noise, error)) << error;
  auto frame = StartViewer({path});
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  ImageView& view = *frame->Views()[0];
  const int k = viewer::ReductionFactor(view.Zoom());
  ASSERT_GT(k, 1) << view.Zoom();
  std::vector<int> factors = ImageView::StepFactors();
  factors.push_back(k);
  viewer::ZoomedPicture& picture = view.Picture();
  auto allMade = [&] {
    return std::all_of(factors.begin(), factors.end(), [&](int f) { return picture.ExactCopy(f) != nullptr; });
  };
  for (const DWORD start = GetTickCount(); (picture.ShowsQuickPicture() || !allMade()) && GetTickCount() - start < 30000;) {
    for (MSG message; PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&message);
    Sleep(10);
  }
  EXPECT_FALSE(picture.ShowsQuickPicture());
  viewer::DibPixels dib;
  viewer::CopyIntoDib(noise.pixels.data(), noise.width, noise.height, dib);
  for (const int f : factors) {
    const viewer::DibPixels* made = picture.ExactCopy(f);
    ASSERT_TRUE(made) << "factor " << f;
    EXPECT_TRUE(made->bytes == SlowReduction(dib, f).bytes) << "factor " << f;
  }

  // On screen, at rest: the slow reduction painted where the view puts the picture.
  host::Bitmap24 shot;
  ASSERT_TRUE(host::CaptureScreen({view.Window()}, shot));
  RECT window, client;
  GetWindowRect(view.Window(), &window);
  GetClientRect(view.Window(), &client);
  POINT corner{0, 0};
  ClientToScreen(view.Window(), &corner);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, client.right, -client.bottom, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP surface = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, surface);
  const RECT painted = viewer::StretchVisiblePart(dc, SlowReduction(dib, k), k, SIZE{noise.width, noise.height},
                                                  view.Zoom(), view.Origin(), RECT{0, 0, noise.width, noise.height});
  GdiFlush();
  const size_t stride = (size_t(client.right) * 3 + 3) & ~size_t(3);
  int differing = 0;
  for (LONG y = painted.top; y < painted.bottom; ++y)
    for (LONG x = painted.left; x < painted.right; ++x) {
      const uint8_t* wanted = static_cast<const uint8_t*>(bits) + size_t(y) * stride + size_t(x) * 3;
      const Pixel24 shown = shot.pixels[size_t(corner.y - window.top + y) * size_t(shot.width) + size_t(corner.x - window.left + x)];
      differing += shown.b != wanted[0] || shown.g != wanted[1] || shown.r != wanted[2];
    }
  EXPECT_EQ(differing, 0) << "of " << (painted.right - painted.left) * (painted.bottom - painted.top) << " pixels";
  EXPECT_GT(painted.right - painted.left, 100);
  SelectObject(dc, old);
  DeleteObject(surface);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);

  // An edit is painted exact at once: a quick picture of it would look like a wrong result.
  Command(*frame, viewer::kRotateHalf);
  UpdateWindow(view.Window());
  EXPECT_FALSE(picture.ShowsQuickPicture());
  DeleteFileA(path.c_str());
}

}  // namespace
}  // namespace molvane::hosttest
