// The viewer with a large image: its windows keep answering while the file is written.
#include <gtest/gtest.h>

#include <windows.h>

#include "host/image_files.h"
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
  EXPECT_TRUE(Contains(seen.hint, "Enregistrement")) << seen.hint;
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

}  // namespace
}  // namespace molvane::hosttest
