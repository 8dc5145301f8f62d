// The viewer's selection (drawn with the mouse, the tools on it, crop, copy) and its before / after view.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "boundary/exports.h"
#include "host/image_files.h"
#include "host/shared_record.h"
#include "viewer_test_support.h"

namespace molvane::hosttest {
namespace {

using viewer::ImageView;
using viewer::MainFrame;
using viewer::PixelRect;

constexpr int32_t kWidth = 451, kHeight = 300;
const PixelRect kArea{60, 40, 300, 200};

std::vector<Pixel24> Part(const std::vector<Pixel24>& image, int32_t width, const PixelRect& rect) {
  std::vector<Pixel24> part(rect.Area());
  viewer::CopyOut(image.data(), width, rect, part.data());
  return part;
}

// The image with `rect` blanked, to compare what lies outside it.
std::vector<Pixel24> Outside(std::vector<Pixel24> image, const PixelRect& rect) {
  const std::vector<Pixel24> blank(rect.Area(), Pixel24{0, 0, 0});
  viewer::CopyIn(blank.data(), rect, image.data(), kWidth);
  return image;
}

// The tool run on an image of its own, straight through the plug-in's
// exports with its dialog driven, as a host without any selection runs it.
std::vector<Pixel24> OnItsOwn(const ToolRun& run, const host::DialogChoices& choices, const std::vector<Pixel24>& pixels,
                              int32_t width, int32_t height) {
  TPtsImg image = MakeImage(pixels);
  FreshRecorder(0x5E1);
  auto open = [&] { RunTool(run.tool, MOLVANE_PHASE_OPEN, image, width, height, TPtsImg(), "part.png"); };
  auto sendPoint = [&](int32_t x, int32_t y) {
    TPtsImg sample;
    if (run.tool == MOLVANE_TOOL_BACKGROUND)
      sample = host::ToPixelArray(host::SampleAround(image.Data(), width, height, x, y));
    Exports().XchgData(run.tool, 0, 0, x, y, width, height, MOLVANE_PHASE_CONTINUE, 0, sample.Handle(),
                       image.Handle(), "part.png", 0);
    return std::string();
  };
  if (!host::HasDrivenDialog(run.tool)) {
    open();
  } else {
    const host::DialogReport report = host::DriveDialog(run.tool, choices, open, true, sendPoint);
    for (const std::string& failure : report.failures) ADD_FAILURE() << failure;
  }
  return PixelsOf(image);
}

// The batch runs' points, brought into the selection in proportion.
void IntoArea(host::PickedPoint& point) {
  point.x = point.x * kArea.width / kWidth;
  point.y = point.y * kArea.height / kHeight;
}

TEST(ViewerSelection, EachToolOnASelectionGivesTheCroppedImagesBytesThereAndLeavesTheRest) {
  const std::vector<Pixel24> chelsea = Chelsea();
  for (const ToolRun& run : kToolRuns) {
    SCOPED_TRACE(run.run);
    host::DialogChoices choices;
    run.choose(choices);
    for (host::PickedPoint* point : {&choices.seed, &choices.f1, &choices.f2, &choices.corners[0], &choices.corners[1],
                                     &choices.corners[2], &choices.corners[3]})
      IntoArea(*point);
    // The fill's noise draws from the library's generator: both runs start it afresh.
    ReloadPlugin();
    const std::vector<Pixel24> expected = OnItsOwn(run, choices, Part(chelsea, kWidth, kArea), kArea.width, kArea.height);

    ReloadPlugin();
    auto frame = StartViewer({DataFile("chelsea.png")});
    ASSERT_TRUE(frame && frame->Views().size() == 1u);
    ImageView& view = *frame->Views()[0];
    ZoomTo300(*frame);
    view.Select(kArea);
    const host::DialogReport report = RunByMenu(*frame, view, run.tool, choices, nullptr, POINT{kArea.x, kArea.y});
    ASSERT_TRUE(report.failures.empty()) << report.failures.front();
    const std::vector<Pixel24> result = view.Document().Bytes();
    EXPECT_TRUE(Near(Part(result, kWidth, kArea), expected, run.tolerance));
    EXPECT_TRUE(SamePixels(Outside(result, kArea), Outside(chelsea, kArea), kWidth));
    EXPECT_TRUE(view.CurrentSelection().Rect() == kArea);
    Command(*frame, viewer::kUndo);
    EXPECT_TRUE(SamePixels(view.Document().Bytes(), chelsea, kWidth));
    EXPECT_FALSE(view.Document().CanUndo());
  }
}

TEST(ViewerSelection, ComparisonAndMergeTakeBothSelectionsAndTheHintSaysTheSecondCame) {
  // The batch host's second images: the photograph after the noise
  // reduction, and the photograph mirrored. Both tools work pixel by pixel:
  // on the same part of both images they give that part of the batch result.
  auto frame = StartOnTheSecondImages("miroir-selection.png");
  ASSERT_TRUE(frame);
  ImageView& first = *frame->Views()[0];
  ImageView& reduced = *frame->Views()[1];
  ImageView& mirror = *frame->Views()[2];
  for (ImageView* view : {&first, &reduced, &mirror}) view->Select(kArea);
  host::DialogChoices comparison, merge;
  comparison.factor = 8;
  merge.mode = "transparence", merge.rate = 30, merge.prevalent = 1, merge.hasBand = true, merge.bandLow = 60,
  merge.bandHigh = 200;
  const struct {
    const char* run;
    int32_t tool;
    ImageView& second;
    const host::DialogChoices& choices;
  } cases[] = {{"comparaison", 1, reduced, comparison}, {"fusionner", 7, mirror, merge}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.run);
    std::string hint;
    const host::DialogReport report = RunByMenu(*frame, first, c.tool, c.choices, [&] {
      EXPECT_EQ(frame->StatusText(3).rfind("Cliquez sur la seconde image", 0), 0u) << frame->StatusText(3);
      ClickAt(c.second.Window(), c.second.ClientPointOf(POINT{kWidth / 2, kHeight / 2}));
      hint = frame->StatusText(3);
    });
    ASSERT_TRUE(report.failures.empty()) << report.failures.front();
    EXPECT_EQ(hint.rfind("Seconde image : « ", 0), 0u) << hint;
    EXPECT_TRUE(Contains(hint, " (sélection) »")) << hint;
    ImageView& made = *frame->Views().back();
    ASSERT_EQ(made.Document().Width(), kArea.width);
    EXPECT_TRUE(SamePixels(made.Document().Bytes(), Part(BatchResult(c.run), kWidth, kArea), kArea.width));
    EXPECT_TRUE(c.second.CurrentSelection().Rect() == kArea) << "the click on the second image kept its selection";
  }
  DeleteFileA(TemporaryFile("miroir-selection.png").c_str());
}

TEST(ViewerSelection, CropKeepsTheSelectionInOneStepThatUndoGivesBackWhole) {
  auto frame = StartViewer({DataFile("chelsea.png")});
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  ImageView& view = *frame->Views()[0];
  const std::vector<Pixel24> chelsea = Chelsea();
  Command(*frame, viewer::kCrop);
  EXPECT_EQ(view.Document().Width(), kWidth) << "nothing is cropped without a selection";
  view.Select(kArea);
  Command(*frame, viewer::kCrop);
  const std::vector<Pixel24> part = Part(chelsea, kWidth, kArea);
  ASSERT_EQ(view.Document().Width(), kArea.width);
  ASSERT_EQ(view.Document().Height(), kArea.height);
  EXPECT_TRUE(SamePixels(view.Document().Bytes(), part, kArea.width));
  EXPECT_FALSE(view.CurrentSelection().Active());
  EXPECT_EQ(frame->StatusText(0), "300 x 200 pixels");
  EXPECT_EQ(host::TextOf(view.Window()), "chelsea.png *");
  // The whole image is the step, counted in the budget.
  EXPECT_EQ(frame->History().Used(), size_t(kWidth) * kHeight * sizeof(Pixel24));
  for (int round = 0; round < 2; ++round) {
    Command(*frame, viewer::kUndo);
    ASSERT_EQ(view.Document().Width(), kWidth);
    EXPECT_TRUE(SamePixels(view.Document().Bytes(), chelsea, kWidth));
    EXPECT_EQ(host::TextOf(view.Window()), "chelsea.png");
    EXPECT_FALSE(view.Document().CanUndo());
    Command(*frame, viewer::kRedo);
    ASSERT_EQ(view.Document().Width(), kArea.width);
    EXPECT_TRUE(SamePixels(view.Document().Bytes(), part, kArea.width));
  }
  // A tool after the crop, then both undone: the exact photograph again.
  RunByMenu(*frame, view, 2, host::DialogChoices());
  Command(*frame, viewer::kUndo);
  Command(*frame, viewer::kUndo);
  EXPECT_TRUE(SamePixels(view.Document().Bytes(), chelsea, kWidth));
}

// A left drag on the view from one client point to another, Shift held or not.
void Drag(ImageView& view, POINT from, POINT to, bool shift = false) {
  const WPARAM keys = MK_LBUTTON | (shift ? MK_SHIFT : 0);
  SendMessageA(view.Window(), WM_LBUTTONDOWN, keys, At(from));
  SendMessageA(view.Window(), WM_MOUSEMOVE, keys, At(POINT{(from.x + to.x) / 2, (from.y + to.y) / 2}));
  SendMessageA(view.Window(), WM_MOUSEMOVE, keys, At(to));
  SendMessageA(view.Window(), WM_LBUTTONUP, shift ? MK_SHIFT : 0, At(to));
}

TEST(ViewerSelection, TheMouseDrawsAdjustsAndDropsTheSelectionOnWholePixels) {
  auto frame = StartViewer({DataFile("chelsea.png")});
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  ImageView& view = *frame->Views()[0];
  ZoomTo300(*frame);
  // Scrolled, so that the picture's corner is off the window.
  ScrollToAndLocate(view, POINT{200, 150});
  // The centre of image pixel (x, y) on screen: at 300 % its nearest pixel edge is the pixel's top-left corner.
  auto at = [&](int32_t x, int32_t y) { return view.ClientPointOf(POINT{x, y}); };
  const auto cursor = [&](POINT client) { return view.CurrentSelection().CursorAt(client, view.Geometry()); };
  const struct {
    const char* what;
    POINT from, to;
    bool shift;
    PixelRect expected;
  } cases[] = {
      {"a drag draws", at(180, 140), at(230, 170), false, {180, 140, 50, 30}},
      {"upwards and leftwards too", at(260, 200), at(210, 170), false, {210, 170, 50, 30}},
      {"Shift gives a square of the longer side", at(180, 140), at(230, 170), true, {180, 140, 50, 50}},
      {"the bottom-right handle", at(230, 190), at(240, 160), false, {180, 140, 60, 20}},
      {"the left side's handle", at(180, 150), at(170, 150), false, {170, 140, 70, 20}},
      {"a drag inside moves it", at(200, 150), at(205, 148), false, {175, 138, 70, 20}},
      {"a click outside drops it", at(150, 100), at(150, 100), false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Drag(view, c.from, c.to, c.shift);
    EXPECT_TRUE(view.CurrentSelection().Rect() == c.expected)
        << view.CurrentSelection().Rect().x << "," << view.CurrentSelection().Rect().y << " "
        << view.CurrentSelection().Rect().width << " x " << view.CurrentSelection().Rect().height;
  }
  Drag(view, at(180, 140), at(230, 170));
  EXPECT_EQ(frame->StatusText(4), "Sélection : 180, 140 ; 50 x 30");
  EXPECT_EQ(cursor(at(230, 170)), LoadCursor(nullptr, IDC_SIZENWSE));
  EXPECT_EQ(cursor(at(180, 170)), LoadCursor(nullptr, IDC_SIZENESW));
  EXPECT_EQ(cursor(at(205, 170)), LoadCursor(nullptr, IDC_SIZENS));
  EXPECT_EQ(cursor(at(205, 155)), LoadCursor(nullptr, IDC_SIZEALL));
  EXPECT_EQ(cursor(at(100, 100)), nullptr);
  Command(*frame, viewer::kSelectNone);
  EXPECT_FALSE(view.CurrentSelection().Active());
  EXPECT_EQ(frame->StatusText(4), "");
  Command(*frame, viewer::kSelectAll);
  EXPECT_TRUE(view.CurrentSelection().Rect() == (PixelRect{0, 0, kWidth, kHeight}));
  // Inside a selection of everything, a drag draws anew.
  Drag(view, at(180, 140), at(230, 170));
  EXPECT_TRUE(view.CurrentSelection().Rect() == (PixelRect{180, 140, 50, 30}));
}

TEST(ViewerSelection, APickOutsideTheSelectionSendsNothingAndTheDialogLeavesTheSelectionInSight) {
  auto frame = StartViewer({DataFile("chelsea.png")});
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  ImageView& view = *frame->Views()[0];
  view.Select(kArea);
  Command(*frame, viewer::kFirstTool + 4);
  HWND dialog = host::FindDialog("Modification du fond");
  ASSERT_TRUE(dialog && frame->Session().Picking());
  RECT box, screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, both;
  GetWindowRect(dialog, &box);
  POINT corners[] = {view.ClientPointOf(POINT{kArea.x, kArea.y}),
                     view.ClientPointOf(POINT{kArea.x + kArea.width - 1, kArea.y + kArea.height - 1})};
  MapWindowPoints(view.Window(), nullptr, corners, 2);
  const RECT area{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
  EXPECT_FALSE(IntersectRect(&both, &box, &area)) << "the dialog covers the selection";
  EXPECT_TRUE(IntersectRect(&both, &box, &screen) && EqualRect(&both, &box)) << "the dialog is not whole on screen";

  const std::vector<Pixel24> before = view.Document().Bytes();
  ClickAt(view.Window(), view.ClientPointOf(POINT{kArea.x - 5, kArea.y + 10}));
  EXPECT_EQ(frame->StatusText(3).rfind("Hors de la sélection", 0), 0u) << frame->StatusText(3);
  EXPECT_TRUE(SamePixels(view.Document().Bytes(), before, kWidth));
  EXPECT_FALSE(frame->Session().ResultShown());
  host::Click(host::FindChild(dialog, "Button", "Annuler"));
  EXPECT_FALSE(frame->Session().Busy());
}

TEST(ViewerSelection, CopyWithASelectionCopiesThatPart) {
  auto frame = StartViewer({DataFile("chelsea.png")});
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  frame->Views()[0]->Select(kArea);
  Command(*frame, viewer::kCopy);
  Command(*frame, viewer::kPaste);
  ASSERT_EQ(frame->Views().size(), 2u);
  const viewer::ImageDocument& pasted = frame->Views()[1]->Document();
  ASSERT_EQ(pasted.Width(), kArea.width);
  EXPECT_TRUE(SamePixels(pasted.Bytes(), Part(Chelsea(), kWidth, kArea), kArea.width));
}

// The "<" key of a French keyboard, pressed (its character, as the system
// translates the key) or released, posted to `window`.
void PostCompareKey(HWND window, bool down) {
  if (down) PostMessageA(window, WM_CHAR, '<', 0x00560001);
  else PostMessageA(window, WM_KEYUP, VK_OEM_102, 0xC0560001);
}

std::vector<Pixel24> Row(const std::vector<Pixel24>& image, int32_t y) { return Part(image, kWidth, {0, y, kWidth, 1}); }

void CompareKey(HWND window, bool down) {
  PostCompareKey(window, down);
  host::PumpMessages();
}

TEST(ViewerBeforeAfter, TheKeyAndTheMiddleButtonShowTheImageBeforeTheLastChange) {
  auto frame = StartViewer({DataFile("chelsea.png")});
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  ImageView& view = *frame->Views()[0];
  Command(*frame, viewer::kZoom100);
  const int32_t y = 150;
  const std::vector<Pixel24> originalRow = Row(Chelsea(), y);
  CompareKey(view.Window(), true);
  EXPECT_EQ(frame->StatusText(3).rfind("Rien à comparer", 0), 0u) << frame->StatusText(3);
  EXPECT_FALSE(view.ShowsAnother());
  CompareKey(view.Window(), false);

  host::DialogChoices threshold;
  kToolRuns[1].choose(threshold);
  RunByMenu(*frame, view, kToolRuns[1].tool, threshold);
  const std::vector<Pixel24> after = view.Document().Bytes();
  const std::vector<Pixel24> afterRow = Row(after, y);
  ASSERT_FALSE(SamePixels(afterRow, originalRow, kWidth));
  const struct {
    const char* what;
    std::function<void(bool)> hold;
  } ways[] = {
      {"the < key", [&](bool down) { CompareKey(view.Window(), down); }},
      {"the middle button",
       [&](bool down) {
         PostMessageA(view.Window(), down ? WM_MBUTTONDOWN : WM_MBUTTONUP, down ? MK_MBUTTON : 0, At(POINT{50, 50}));
         host::PumpMessages();
       }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.what);
    way.hold(true);
    EXPECT_TRUE(SamePixels(RowOnScreen(view, y), originalRow, kWidth));
    EXPECT_EQ(frame->StatusText(3).rfind("Avant", 0), 0u) << frame->StatusText(3);
    way.hold(false);
    EXPECT_TRUE(SamePixels(RowOnScreen(view, y), afterRow, kWidth));
    EXPECT_EQ(frame->StatusText(3).rfind("Après", 0), 0u) << frame->StatusText(3);
    EXPECT_TRUE(SamePixels(view.Document().Bytes(), after, kWidth)) << "looking changed the image";
  }
}

TEST(ViewerBeforeAfter, WhileAFilterPreviewsTheKeyShowsTheImageBeforeTheTool) {
  auto frame = StartViewer({DataFile("chelsea.png")});
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  ImageView& view = *frame->Views()[0];
  Command(*frame, viewer::kZoom100);
  const int32_t y = 150;
  const std::vector<Pixel24> originalRow = Row(Chelsea(), y);
  std::vector<Pixel24> held, released, filtered;
  host::DialogScript script;
  script.WaitFor("Filtres Matriciels");
  script.Do("Gauss, Visualiser, then hold <", [&] {
    HWND dialog = host::FindDialog("Filtres Matriciels");
    host::PickComboItem(host::ChildAt(dialog, "ComboBox", 262, 25), "Gauss");
    host::Click(host::FindChild(dialog, "Button", "Visualiser"));
    filtered = Row(view.Document().Bytes(), y);
    // To the dialog, which has the keyboard; its own loop takes the message.
    PostCompareKey(GetFocus() ? GetFocus() : dialog, true);
  });
  script.Do("read the screen, release <", [&] {
    held = RowOnScreen(view, y);
    PostCompareKey(GetFocus(), false);
  });
  script.Do("read the screen, Annuler", [&] {
    released = RowOnScreen(view, y);
    host::PostClick(host::FindChild(host::FindDialog("Filtres Matriciels"), "Button", "Annuler"));
  });
  EXPECT_TRUE(script.Run([&] { Command(*frame, viewer::kFirstTool + 3); })) << script.FailureText();
  ASSERT_FALSE(SamePixels(filtered, originalRow, kWidth)) << "Visualiser changed nothing";
  EXPECT_TRUE(SamePixels(held, originalRow, kWidth));
  EXPECT_TRUE(SamePixels(released, filtered, kWidth));
}

}  // namespace
}  // namespace molvane::hosttest
