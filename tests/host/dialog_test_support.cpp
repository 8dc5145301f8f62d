// Running the plug-in's modal dialogs from the test host, and reading what their windows show.
#include "dialog_test_support.h"

#include <windows.h>

#include "dialog_kit/preview.h"
#include "tools/background_dialog.h"

namespace molvane::hosttest {

::testing::AssertionResult RunDialog(host::DialogScript& script, int32_t tool, const TPtsImg& image,
                                     int32_t width, int32_t height) {
  const bool ran = script.Run([&] { RunTool(tool, 0, image, width, height); });
  if (ran && script.StepsDone() == script.StepCount()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the dialog script of tool " << tool << " failed ("
                                       << script.StepsDone() << " of " << script.StepCount()
                                       << " steps done): " << script.FailureText();
}

std::string AnswerBox(const std::function<void()>& action) {
  std::string text;
  host::DialogScript script;
  script.OnSystemDialog("the message box", [&text](HWND box) {
    text = host::MessageBoxText(box);
    host::PressOk(box);
  });
  EXPECT_TRUE(script.Run(action)) << script.FailureText();
  return text;
}

char UserDecimalSeparator() {
  char buffer[8] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, sizeof buffer) > 0 && buffer[0])
    return buffer[0];
  return '.';
}

std::string LabelAt(HWND dialog, int x, int y) {
  HWND label = host::ChildAt(dialog, "Static", x, y);
  return label ? host::TextOf(label) : "(no label at " + std::to_string(x) + ", " + std::to_string(y) + ")";
}

std::vector<Pixel24> PreviewOnScreen(HWND dialog, int32_t width, int32_t height) {
  const PreviewGeometry g = PreviewGeometryFor(ImageSize{width, height});
  // The panel at (10, 10), the picture inside it at (left, top).
  HWND picture = host::ChildAt(dialog, "MolvanePicture", 10 + g.left, 10 + g.top);
  if (!picture) {
    ADD_FAILURE() << "no preview picture at (" << 10 + g.left << ", " << 10 + g.top << ")";
    return {};
  }
  const RECT place = host::PlaceIn(dialog, picture);
  EXPECT_EQ(place.right - place.left, g.width);
  EXPECT_EQ(place.bottom - place.top, g.height);
  host::Bitmap24 shot;
  if (!host::CaptureScreen({picture}, shot) || shot.width != g.width || shot.height != g.height) {
    ADD_FAILURE() << "could not read the preview from the screen";
    return {};
  }
  return shot.pixels;
}

std::vector<Pixel24> PreviewSamples(const std::vector<Pixel24>& image, int32_t width, int32_t height) {
  const PreviewGeometry g = PreviewGeometryFor(ImageSize{width, height});
  std::vector<Pixel24> preview(size_t(g.width) * size_t(g.height));
  SamplePreview(image.data(), ImageSize{width, height}, g, preview.data());
  return preview;
}

::testing::AssertionResult SamePixels(const std::vector<Pixel24>& actual, const std::vector<Pixel24>& expected,
                                      int32_t width) {
  if (actual.size() != expected.size())
    return ::testing::AssertionFailure() << "sizes " << actual.size() << " and " << expected.size();
  size_t differing = 0;
  size_t first = 0;
  for (size_t i = 0; i < actual.size(); ++i) {
    if (actual[i] == expected[i]) continue;
    if (differing++ == 0) first = i;
  }
  if (differing == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << differing << " pixel(s) differ; first at x " << first % size_t(width)
                                       << ", y " << first / size_t(width) << ": " << actual[first]
                                       << " instead of " << expected[first];
}

FillParams NoiselessOpeningFill(ImagePoint seed, ImagePoint f1, ImagePoint f2) {
  // Tolerance 255 x 4 / 20, transparency 4 / 20, no noise, lightness unchanged.
  return FillParams{seed, f1, f2, kDefaultColourF1, kDefaultColourF2, 51, 0.2L, 0, 1};
}

std::vector<Pixel24> Ramp(int32_t width, int32_t height) {
  std::vector<Pixel24> pixels(size_t(width) * size_t(height));
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const int32_t i = y * width + x;
      pixels[size_t(i)] = Pixel24{uint8_t(i * 7 + y), uint8_t(i * 3), uint8_t(255 - (i * 5) % 256)};
    }
  return pixels;
}

}  // namespace molvane::hosttest
