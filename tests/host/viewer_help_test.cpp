// The viewer's help: a page per tool of the plug-in's menu, opened on the running tool's page,
// and the status bar saying what to do first once a tool's dialog shows.
#include <gtest/gtest.h>

#include <string>

#include "dialog_test_support.h"
#include "host/dialog_driver.h"
#include "host/viewer/help_pages.h"
#include "host/viewer/main_frame.h"
#include "tools/background_dialog.h"
#include "viewer_test_support.h"

namespace molvane::hosttest {
namespace {

using viewer::HelpPageAt;

std::string ListItem(HWND list, size_t index) {
  char text[256] = {};
  if (SendMessageA(list, LB_GETTEXTLEN, index, 0) < LRESULT(sizeof text))
    SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
  return text;
}

TEST(ViewerHelp, OpensOnTheRunningToolsPageAndListsAPagePerTool) {
  auto frame = StartViewer({DataFile("chelsea.png")});
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  viewer::HelpWindow& help = frame->Help();
  Command(*frame, viewer::kHelp);
  ASSERT_TRUE(help.Window() && IsWindowVisible(help.Window()));
  // The viewer's page, then one per item of the plug-in's menu, under its name.
  const std::vector<std::string>& tools = frame->Session().ItemCaptions();
  ASSERT_EQ(SendMessageA(help.List(), LB_GETCOUNT, 0, 0), LRESULT(tools.size() + 1));
  EXPECT_EQ(ListItem(help.List(), 0), "La visionneuse");
  for (size_t i = 0; i < tools.size(); ++i) EXPECT_EQ(ListItem(help.List(), i + 1), tools[i]);
  EXPECT_EQ(SendMessageA(help.List(), LB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(host::TextOf(help.Text()), HelpPageAt(0).text);

  // With the background tool open: its first step in the status bar, its page in the help.
  Command(*frame, viewer::kFirstTool + 4);
  HWND dialog = host::FindDialog("Modification du fond");
  ASSERT_TRUE(dialog);
  EXPECT_EQ(frame->StatusText(3), "Choisissez F1 dans la fenêtre de l'outil, puis cliquez sur l'image.");
  // Once a point went to the tool, the first step gives way to what follows.
  const POINT f1 = PlaceOf(TCorrFond::Layout(), "PosF1");
  host::Click(host::ChildAt(dialog, "Button", f1.x, f1.y));
  viewer::ImageView& view = *frame->Views()[0];
  ClickAt(view.Window(), view.ClientPointOf(POINT{10, 10}));
  EXPECT_EQ(frame->StatusText(3), "Cliquez une petite case dans l'outil, puis l'endroit voulu sur l'image.");
  Command(*frame, viewer::kHelp);
  EXPECT_EQ(SendMessageA(help.List(), LB_GETCURSEL, 0, 0), 4);
  EXPECT_EQ(host::TextOf(help.Text()), HelpPageAt(4).text);
  // Another page chosen in the list, as a click on it does.
  SendMessageA(help.List(), LB_SETCURSEL, 5, 0);
  SendMessageA(help.Window(), WM_COMMAND, MAKEWPARAM(1, LBN_SELCHANGE), LPARAM(help.List()));
  EXPECT_EQ(host::TextOf(help.Text()), HelpPageAt(5).text);
  host::Click(host::FindChild(dialog, "Button", "Annuler"));
  EXPECT_FALSE(frame->Session().Busy());
  // Échap closes it, from the list or from the text.
  for (bool fromText : {true, false}) {
    Command(*frame, viewer::kHelp);
    ASSERT_TRUE(help.Window());
    MSG escape{fromText ? help.Text() : help.List(), WM_KEYDOWN, VK_ESCAPE, 0, 0, {0, 0}};
    EXPECT_TRUE(help.TakesKey(escape));
    EXPECT_EQ(help.Window(), nullptr);
  }
}

}  // namespace
}  // namespace molvane::hosttest
