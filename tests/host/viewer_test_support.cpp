// What the viewer's tests share.
#include "viewer_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/image_files.h"

namespace molvane::hosttest {

using viewer::ImageView;
using viewer::MainFrame;

std::string TemporaryFile(const std::string& name) { return TemporaryPath("molvane-viewer-" + name); }

// The batch host's result for a run named in tests/host/CMakeLists.txt.
std::vector<Pixel24> BatchResult(const std::string& run) {
  host::Bitmap24 image;
  std::string error;
  const std::string path = host::ModuleFolder(reinterpret_cast<const void*>(&BatchResult)) +
                           "..\\reference-host-runs\\chelsea-" + run + ".bmp";
  EXPECT_TRUE(host::ReadBmpFile(path, image, error)) << error;
  return image.pixels;
}

std::vector<Pixel24> Chelsea() {
  host::Bitmap24 image;
  std::string error;
  EXPECT_TRUE(host::ReadBmpFile(DataFile("chelsea.bmp"), image, error)) << error;
  return image.pixels;
}

const char kTestSettingsKey[] = "Software\\Molvane\\Visionneuse des tests";

// The viewer as its command line starts it: molvane_viewer --plugin DLL FILE...
std::unique_ptr<MainFrame> StartViewer(const std::vector<std::string>& files, std::string plugin) {
  std::vector<std::string> arguments = {"molvane_viewer", "--plugin", plugin};
  arguments.insert(arguments.end(), files.begin(), files.end());
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(&argument[0]);
  viewer::ViewerOptions options;
  std::string error;
  EXPECT_TRUE(viewer::ParseViewerArguments(int(argv.size()), argv.data(), options, error)) << error;
  options.settingsKey = kTestSettingsKey;
  return MainFrame::Create(options);
}

void Command(MainFrame& frame, UINT command) { SendMessageA(frame.Window(), WM_COMMAND, command, 0); }

void Activate(ImageView& view) {
  SendMessageA(GetParent(view.Window()), WM_MDIACTIVATE, WPARAM(view.Window()), 0);
}

LPARAM At(POINT client) { return MAKELPARAM(client.x, client.y); }

void ClickAt(HWND window, POINT client) {
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, At(client));
  SendMessageA(window, WM_LBUTTONUP, 0, At(client));
}

// Where a user sees image pixel `pixel` once the view is scrolled to bring it
// near the middle: the scroll bars moved as a drag of their thumbs ends, the
// point computed from the zoom and the bars' positions alone (for a zoomed
// picture larger than the window, which scrolls rather than being centred).
POINT ScrollToAndLocate(ImageView& view, POINT pixel) {
  RECT client;
  GetClientRect(view.Window(), &client);
  const double zoom = view.Zoom();
  auto thumb = [&](UINT message, LONG at, LONG size) {
    const int position = std::max(0, int(at * zoom) - int(size / 2));
    SendMessageA(view.Window(), message, MAKEWPARAM(SB_THUMBPOSITION, position), 0);
  };
  thumb(WM_HSCROLL, pixel.x, client.right);
  thumb(WM_VSCROLL, pixel.y, client.bottom);
  const int scrollX = GetScrollPos(view.Window(), SB_HORZ), scrollY = GetScrollPos(view.Window(), SB_VERT);
  return POINT{LONG(std::floor((pixel.x + 0.5) * zoom)) - scrollX, LONG(std::floor((pixel.y + 0.5) * zoom)) - scrollY};
}

// Zoom 300 %: 100 %, then three steps in (150, 200, 300), as the menu gives them.
void ZoomTo300(MainFrame& frame) {
  Command(frame, viewer::kZoom100);
  for (int i = 0; i < 3; ++i) Command(frame, viewer::kZoomIn);
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::vector<std::string> ButtonTexts(HWND box) {
  std::vector<std::string> texts;
  for (HWND button : host::ChildrenOfClass(box, "Button")) texts.push_back(host::TextOf(button));
  return texts;
}

// The name an open or save dialog holds in its name field (edt1, or the combo cmb13).
std::string FileDialogName(HWND dialog) {
  for (int id : {0x480, 0x47c}) {
    HWND field = GetDlgItem(dialog, id);
    if (field && IsWindowVisible(field)) return host::TextOf(field);
  }
  return std::string();
}

void WriteFileBytes(const std::string& path, const void* bytes, DWORD size) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes, size, &written, nullptr);
  CloseHandle(file);
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string MenuBarText(HWND window) {
  HMENU bar = GetMenu(window);
  std::string text;
  for (int i = 0; i < GetMenuItemCount(bar); ++i) {
    char item[64] = {};
    GetMenuStringA(bar, UINT(i), item, sizeof item, MF_BYPOSITION);
    text += std::string(text.empty() ? "" : "|") + item;
  }
  return text;
}


host::PickedPoint Point(int x, int y) { return host::PickedPoint{true, x, y}; }

const ToolRun kToolRuns[6] = {
    {"reduction", 2, [](host::DialogChoices&) {}},
    {"seuillage", 6, [](host::DialogChoices& c) { c.threshold = 100, c.keep = "below"; }},
    {"degrade", 8,
     [](host::DialogChoices& c) {
       c.direction = "horizontal";
       c.hasN1 = c.hasN2 = c.hasM1 = c.hasM2 = true;
       c.n1 = -20, c.n2 = 20, c.m1 = 80, c.m2 = 120;
     }},
    {"filtres", 3, [](host::DialogChoices& c) { c.filter = "Gauss", c.visualise = true; }},
    {"fond", 4, [](host::DialogChoices& c) { c.f1 = Point(10, 10), c.f2 = Point(440, 290), c.seed = Point(5, 5); }},
    {"vignetage", 5,
     [](host::DialogChoices& c) {
       c.corners[0] = Point(20, 20), c.corners[1] = Point(430, 20), c.corners[2] = Point(430, 280);
       c.corners[3] = Point(20, 280);
     },
     11},
};

::testing::AssertionResult Near(const std::vector<Pixel24>& actual, const std::vector<Pixel24>& expected,
                                int tolerance) {
  if (tolerance == 0) return SamePixels(actual, expected, 451);
  if (actual.size() != expected.size()) return ::testing::AssertionFailure() << "sizes differ";
  for (size_t i = 0; i < actual.size(); ++i)
    for (int channel : {actual[i].r - expected[i].r, actual[i].g - expected[i].g, actual[i].b - expected[i].b})
      if (std::abs(channel) > tolerance)
        return ::testing::AssertionFailure() << "pixel " << i << ": " << actual[i] << " instead of " << expected[i];
  return ::testing::AssertionSuccess();
}

// Moves a top-level window that hides `screen` from `window` to the corner of
// the screen farthest from that point.
void MoveAsideFrom(POINT screen, HWND window) {
  HWND over = GetAncestor(WindowFromPoint(screen), GA_ROOT);
  if (!over || over == GetAncestor(window, GA_ROOT)) return;
  RECT box;
  GetWindowRect(over, &box);
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  const int x = screen.x < width / 2 ? width - (box.right - box.left) : 0;
  const int y = screen.y < height / 2 ? height - (box.bottom - box.top) : 0;
  // No message loop here: the script's own timer would run its next step inside this one.
  SetWindowPos(over, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Opens the tool by its menu command on `view` while its dialog is driven;
// the points are clicked on the view at their screen places.
host::DialogReport RunByMenu(MainFrame& frame, ImageView& view, int32_t tool, const host::DialogChoices& choices,
                             const std::function<void()>& afterOpening, POINT pickOffset) {
  Activate(view);
  auto open = [&] {
    Command(frame, viewer::kFirstTool + UINT(tool));
    if (afterOpening) afterOpening();
  };
  if (!host::HasDrivenDialog(tool)) {
    open();
    return host::DialogReport();
  }
  const host::PointSender click = [&](int32_t x, int32_t y) -> std::string {
    if (!frame.Session().Picking()) return "the viewer is not picking points";
    const POINT client = ScrollToAndLocate(view, POINT{pickOffset.x + x, pickOffset.y + y});
    // Only a point the user sees can be clicked: a window over it is moved
    // aside first, as a user drags the tool's dialog off the picture.
    POINT screen = client;
    ClientToScreen(view.Window(), &screen);
    MoveAsideFrom(screen, view.Window());
    if (WindowFromPoint(screen) != view.Window())
      return "the point " + std::to_string(x) + "," + std::to_string(y) + " is not in sight: \"" +
             host::TextOf(WindowFromPoint(screen)) + "\" is there";
    ClickAt(view.Window(), client);
    return std::string();
  };
  return host::DriveDialog(tool, choices, open, true, click);
}


// What the screen shows of the view's picture at 100 %, row `y`.
std::vector<Pixel24> RowOnScreen(const ImageView& view, int32_t y) {
  host::Bitmap24 shot;
  if (!host::CaptureScreen({view.Window()}, shot)) return {};
  RECT frame;
  GetWindowRect(view.Window(), &frame);
  POINT client{0, 0};
  ClientToScreen(view.Window(), &client);
  const POINT origin = view.Origin();
  const int32_t left = client.x - frame.left + origin.x, top = client.y - frame.top + origin.y;
  const int32_t width = view.Document().Width();
  if (left < 0 || top + y >= shot.height || left + width > shot.width) return {};
  const Pixel24* row = &shot.pixels[size_t(top + y) * size_t(shot.width) + size_t(left)];
  return std::vector<Pixel24>(row, row + width);
}

std::unique_ptr<MainFrame> StartOnTheSecondImages(const std::string& mirrored) {
  const std::string path = TemporaryFile(mirrored);
  std::string error;
  if (!host::WriteImageFile(path, host::Mirrored(host::Bitmap24{451, 300, Chelsea()}), error)) {
    ADD_FAILURE() << error;
    return nullptr;
  }
  auto frame = StartViewer({DataFile("chelsea.png"), DataFile("chelsea.png"), path});
  if (!frame || frame->Views().size() != 3u) {
    ADD_FAILURE() << "the three images did not open";
    return nullptr;
  }
  RunByMenu(*frame, *frame->Views()[1], 2, host::DialogChoices());
  return frame;
}

// Puts `bytes` on the clipboard as `format`, alone.
void PutOnClipboard(HWND owner, UINT format, const std::vector<uint8_t>& bytes) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
  GlobalUnlock(memory);
  ASSERT_TRUE(OpenClipboard(owner));
  EmptyClipboard();
  SetClipboardData(format, memory);
  CloseClipboard();
}

// A packed bitmap: the 40-byte header, then the masks for 32 bits, then the rows as given.
std::vector<uint8_t> Dib(int32_t width, int32_t height, uint16_t bits, const std::vector<uint8_t>& rows) {
  std::vector<uint8_t> dib(40);
  auto put32 = [&dib](size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) dib[at + size_t(i)] = uint8_t(value >> (8 * i));
  };
  put32(0, 40), put32(4, uint32_t(width)), put32(8, uint32_t(height));
  dib[12] = 1, dib[14] = uint8_t(bits);
  if (bits == 32) {
    put32(16, 3);  // colour masks follow
    for (uint32_t mask : {0xFF0000u, 0xFF00u, 0xFFu}) dib.insert(dib.end(), {uint8_t(mask), uint8_t(mask >> 8), uint8_t(mask >> 16), 0});
  }
  dib.insert(dib.end(), rows.begin(), rows.end());
  return dib;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    for (int c; (c = std::fgetc(file)) != EOF;) bytes.push_back(uint8_t(c));
    std::fclose(file);
  }
  return bytes;
}

}  // namespace molvane::hosttest
