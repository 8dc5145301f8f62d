// What the viewer's tests share: the viewer started as its command line
// starts it, menu commands and clicks as a user gives them, the tools' runs
// beside the batch host's results, the clipboard as another program fills it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialog_test_support.h"
#include "host/dialog_driver.h"
#include "host/dialog_runs.h"
#include "host/viewer/main_frame.h"
#include "host_test_support.h"

namespace molvane::hosttest {

// `name` in the temporary folder, marked as the viewer tests' own.
std::string TemporaryFile(const std::string& name);
// The batch host's result for a run named in tests/host/CMakeLists.txt.
std::vector<Pixel24> BatchResult(const std::string& run);
// chelsea.bmp's pixels: chelsea.png as read.
std::vector<Pixel24> Chelsea();

// The settings key (under HKEY_CURRENT_USER) of every viewer the tests start,
// so that a person's recent files are never touched.
extern const char kTestSettingsKey[];

// The viewer as its command line starts it: molvane_viewer --plugin DLL FILE...
std::unique_ptr<viewer::MainFrame> StartViewer(const std::vector<std::string>& files,
                                               std::string plugin = PluginPath());
// The menu command, as the menu sends it.
void Command(viewer::MainFrame& frame, UINT command);
void Activate(viewer::ImageView& view);
LPARAM At(POINT client);
void ClickAt(HWND window, POINT client);
// Where a user sees image pixel `pixel` once the view is scrolled to bring it
// near the middle: the scroll bars moved as a drag of their thumbs ends, the
// point computed from the zoom and the bars' positions alone (for a zoomed
// picture larger than the window, which scrolls rather than being centred).
POINT ScrollToAndLocate(viewer::ImageView& view, POINT pixel);
// Zoom 300 %: 100 %, then three steps in (150, 200, 300), as the menu gives them.
void ZoomTo300(viewer::MainFrame& frame);

bool Contains(const std::string& text, const std::string& part);
bool EndsWith(const std::string& text, const std::string& end);
std::vector<std::string> ButtonTexts(HWND box);
// The name an open or save dialog holds in its name field.
std::string FileDialogName(HWND dialog);
void WriteFileBytes(const std::string& path, const void* bytes, DWORD size);
std::vector<uint8_t> FileBytes(const std::string& path);
bool Exists(const std::string& path);
// The menu bar's titles, "|" between them.
std::string MenuBarText(HWND window);

// A tool run by its menu command on chelsea.png at 300 %, and the batch
// host's run of the same choices (tests/host/CMakeLists.txt).
struct ToolRun {
  const char* run;
  int32_t tool;
  std::function<void(host::DialogChoices&)> choose;
  // The vignetting scales its samples by a random factor of 0.98 to 1.02,
  // seeded by the clock: two runs differ by up to 4 % of 255, rounded up.
  int tolerance = 0;
};
// Reduction, threshold, gradient, filters, background, vignetting.
extern const ToolRun kToolRuns[6];

host::PickedPoint Point(int x, int y);
// The pixels equal, or each channel within `tolerance`.
::testing::AssertionResult Near(const std::vector<Pixel24>& actual, const std::vector<Pixel24>& expected,
                                int tolerance);
// Opens the tool by its menu command on `view` while its dialog is driven;
// the points are clicked on the view at their screen places, `pickOffset`
// added (a tool working on a selection counts from its corner).
host::DialogReport RunByMenu(viewer::MainFrame& frame, viewer::ImageView& view, int32_t tool,
                             const host::DialogChoices& choices, const std::function<void()>& afterOpening = nullptr,
                             POINT pickOffset = POINT{0, 0});
// What the screen shows of the view's picture at 100 %, row `y`.
std::vector<Pixel24> RowOnScreen(const viewer::ImageView& view, int32_t y);

// The viewer on the photograph three times over, as the batch host's
// second images are made: the first as it is, the second after the noise
// reduction (run by its menu), the third mirrored (a file named `mirrored`
// in the temporary folder). Null, after a failed expectation, when they
// cannot be opened.
std::unique_ptr<viewer::MainFrame> StartOnTheSecondImages(const std::string& mirrored);

// Puts `bytes` on the clipboard as `format`, alone.
void PutOnClipboard(HWND owner, UINT format, const std::vector<uint8_t>& bytes);
// A packed bitmap: the 40-byte header, then the masks for 32 bits, then the rows as given.
std::vector<uint8_t> Dib(int32_t width, int32_t height, uint16_t bits, const std::vector<uint8_t>& rows);

}  // namespace molvane::hosttest
