// Pictures of the viewer as a user sees it, saved in the working folder for scripts/screenshots:
// the photograph, a tool's dialog over it, picking mode, the "À propos" box, the help window.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/dialog_driver.h"
#include "host/viewer/main_frame.h"
#include "host_test_support.h"
#include "viewer_test_support.h"

namespace molvane::hosttest {
namespace {

using viewer::MainFrame;

// The viewer on the photograph, its window maximised inside the frame.
std::unique_ptr<MainFrame> ViewerOnPhotograph() {
  viewer::ViewerOptions options;
  options.plugin = PluginPath();
  options.files = {DataFile("chelsea.png")};
  options.settingsKey = kTestSettingsKey;
  std::unique_ptr<MainFrame> frame = MainFrame::Create(options);
  if (!frame || frame->Views().empty()) return nullptr;
  SetWindowPos(frame->Window(), nullptr, 0, 0, 1000, 720, SWP_NOZORDER);
  HWND view = frame->Views()[0]->Window();
  SendMessageA(GetParent(view), WM_MDIMAXIMIZE, WPARAM(view), 0);
  // The MDI client drops the scroll bars it no longer needs from its queue.
  host::PumpMessages();
  SendMessageA(frame->Window(), WM_COMMAND, viewer::kZoomFit, 0);
  return frame;
}

// Saves the frame with the windows `over` it, as the screen shows them, under `name`.
::testing::AssertionResult Picture(MainFrame& frame, const std::vector<HWND>& over, const std::string& name) {
  std::vector<HWND> windows = {frame.Window()};
  windows.insert(windows.end(), over.begin(), over.end());
  std::string error;
  if (!host::SaveScreenshot(windows, name, error)) return ::testing::AssertionFailure() << name << ": " << error;
  return ::testing::AssertionSuccess();
}

TEST(ViewerPictures, PhotographAndAboutBox) {
  auto frame = ViewerOnPhotograph();
  ASSERT_TRUE(frame);
  EXPECT_TRUE(Picture(*frame, {}, "viewer-photographie.bmp"));
  std::string text;
  host::DialogScript script;
  script.OnSystemDialog("À propos", [&](HWND box) {
    text = host::MessageBoxText(box);
    EXPECT_TRUE(Picture(*frame, {box}, "viewer-a-propos.bmp"));
    host::PressOk(box);
  });
  EXPECT_TRUE(script.Run([&] { SendMessageA(frame->Window(), WM_COMMAND, viewer::kAbout, 0); }))
      << script.FailureText();
  EXPECT_NE(text.find("Version"), std::string::npos) << text;
}

// The toolbar, with the standard pictures and the drawn ones, some greyed.
TEST(ViewerPictures, Toolbar) {
  auto frame = ViewerOnPhotograph();
  ASSERT_TRUE(frame);
  SendMessageA(frame->Window(), WM_COMMAND, viewer::kFirstTool + 2, 0);
  EXPECT_TRUE(Picture(*frame, {}, "viewer-barre-outils.bmp"));
}

TEST(ViewerPictures, ThresholdDialogOverThePhotograph) {
  auto frame = ViewerOnPhotograph();
  ASSERT_TRUE(frame);
  host::DialogScript script;
  script.WaitFor("Seuillage d'une image");
  script.Do("picture and cancel", [&] {
    HWND dialog = host::FindDialog("Seuillage d'une image");
    host::MoveTrackBar(host::ChildAt(dialog, host::kTrackBarClass, 378, 124), 90);
    EXPECT_TRUE(Picture(*frame, {dialog}, "viewer-seuillage.bmp"));
    host::PostClick(host::FindChild(dialog, "Button", "Annuler"));
  });
  EXPECT_TRUE(script.Run([&] { SendMessageA(frame->Window(), WM_COMMAND, viewer::kFirstTool + 6, 0); }))
      << script.FailureText();
}

TEST(ViewerPictures, PickingModeAndHelpOfTheBackgroundTool) {
  auto frame = ViewerOnPhotograph();
  ASSERT_TRUE(frame);
  SendMessageA(frame->Window(), WM_COMMAND, viewer::kFirstTool + 4, 0);
  HWND dialog = host::FindDialog("Modification du fond");
  ASSERT_TRUE(dialog);
  ASSERT_TRUE(frame->Session().Picking());
  // The dialog beside the picture, as a user would move it to click the image.
  SetWindowPos(dialog, nullptr, 640, 250, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  host::PumpMessages();
  EXPECT_NE(frame->StatusText(3).find("Choisissez F1"), std::string::npos) << frame->StatusText(3);
  EXPECT_TRUE(Picture(*frame, {dialog}, "viewer-pointage.bmp"));
  // The cross over the picked image as long as the dialog shows; Échap on the image does not end it.
  HWND view = frame->Views()[0]->Window();
  auto cursorOverView = [view] {
    SendMessageA(view, WM_SETCURSOR, WPARAM(view), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
  };
  EXPECT_EQ(cursorOverView(), LoadCursor(nullptr, IDC_CROSS));
  SendMessageA(view, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(frame->Session().Picking());
  // The help, on the tool's page, beside its dialog.
  SendMessageA(frame->Window(), WM_COMMAND, viewer::kHelp, 0);
  HWND help = frame->Help().Window();
  ASSERT_TRUE(help);
  SetWindowPos(help, nullptr, 150, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  host::PumpMessages();
  EXPECT_TRUE(Picture(*frame, {help}, "viewer-aide.bmp"));
  host::Click(host::FindChild(dialog, "Button", "Annuler"));
  EXPECT_FALSE(frame->Session().Busy());
  EXPECT_EQ(cursorOverView(), LoadCursor(nullptr, IDC_ARROW));
}

TEST(ViewerPictures, SelectionWithTheBackgroundToolsDialog) {
  auto frame = ViewerOnPhotograph();
  ASSERT_TRUE(frame);
  frame->Views()[0]->Select(viewer::PixelRect{40, 30, 260, 180});
  SendMessageA(frame->Window(), WM_COMMAND, viewer::kFirstTool + 4, 0);
  HWND dialog = host::FindDialog("Modification du fond");
  ASSERT_TRUE(dialog);
  host::PumpMessages();
  EXPECT_TRUE(Picture(*frame, {dialog}, "viewer-selection.bmp"));
  host::Click(host::FindChild(dialog, "Button", "Annuler"));
}

TEST(ViewerPictures, BeforeAndAfterTheThreshold) {
  auto frame = ViewerOnPhotograph();
  ASSERT_TRUE(frame);
  viewer::ImageView& view = *frame->Views()[0];
  host::DialogChoices threshold;
  kToolRuns[1].choose(threshold);
  RunByMenu(*frame, view, kToolRuns[1].tool, threshold);
  PostMessageA(view.Window(), WM_CHAR, '<', 0x00560001);
  host::PumpMessages();
  EXPECT_TRUE(view.ShowsAnother());
  EXPECT_TRUE(Picture(*frame, {}, "viewer-avant-apres.bmp"));
  PostMessageA(view.Window(), WM_KEYUP, VK_OEM_102, 0xC0560001);
  host::PumpMessages();
}

}  // namespace
}  // namespace molvane::hosttest
