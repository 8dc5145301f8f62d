// Running the plug-in's modal dialogs from the test host, and reading what their windows show.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "boundary/pixel_array.h"
#include "dialog_kit/layout.h"
#include "host/dialog_driver.h"
#include "host_test_support.h"
#include "tools/region_fill.h"

namespace molvane::hosttest {

// XchgData(tool, phase 0) on the image while `script` drives the dialog it
// opens; fails with the script's failures.
::testing::AssertionResult RunDialog(host::DialogScript& script, int32_t tool, const TPtsImg& image,
                                     int32_t width, int32_t height);

// Where a component of a dialog sits in its client area, from the dialog's
// own layout table: the top-left corner a user's click or a lookup by place
// needs.
inline POINT PlaceOf(LayoutTable layout, const char* name) {
  const ui::Rect place = PlaceInForm(layout, name);
  return POINT{place.left, place.top};
}

// Runs `action`, which opens a message box, answers it with OK and returns its text.
std::string AnswerBox(const std::function<void()>& action);

// The user's decimal separator, as the system reports it.
char UserDecimalSeparator();

// A label's text, found by its place in the dialog (labels of changing text
// have no fixed caption to find them by).
std::string LabelAt(HWND dialog, int x, int y);

// The preview of a W x H image in a dialog with the preview box at (10, 10):
// the picture's window must sit where the box's rule puts it, with the
// preview's size; its pixels are read from the screen. Empty (with a failure
// added) when the picture is not there.
std::vector<Pixel24> PreviewOnScreen(HWND dialog, int32_t width, int32_t height);
// What the preview samples of the image: pixel (x, y) is image pixel
// (Trunc(x s), Trunc(y s)).
std::vector<Pixel24> PreviewSamples(const std::vector<Pixel24>& image, int32_t width, int32_t height);

// Whole images compared; on a difference, where, how many and what.
::testing::AssertionResult SamePixels(const std::vector<Pixel24>& actual, const std::vector<Pixel24>& expected,
                                      int32_t width);

// The background tool's fill as its dialog opens (default colours, tolerance
// and transparency of 20 %, no sample), with the noise slider at 0.
FillParams NoiselessOpeningFill(ImagePoint seed, ImagePoint f1, ImagePoint f2);

// A W x H image whose pixels run through many lightness values and colours,
// every channel different: a photograph's worth of cases in a few pixels.
std::vector<Pixel24> Ramp(int32_t width, int32_t height);

}  // namespace molvane::hosttest
