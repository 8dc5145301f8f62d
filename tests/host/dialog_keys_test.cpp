// The non-modal dialogs from the keyboard, under a host loop that knows
// nothing of them: PeekMessage, TranslateMessage, DispatchMessage, no
// IsDialogMessage. Keys are posted to the focused window as a user's are.
#include <gtest/gtest.h>

#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

#include "dialog_test_support.h"

namespace molvane::hosttest {
namespace {

struct NonModalTool {
  int32_t tool;
  const char* caption;
  const char* defaultButton;
  bool asksForSecondImage;
};

const NonModalTool kTools[] = {
    {MOLVANE_TOOL_COMPARISON, "Comparaison d'images", "Créer une image d'écart", true},
    {MOLVANE_TOOL_BACKGROUND, "Modification du fond", "Appliquer", false},
    {MOLVANE_TOOL_VIGNETTING, "Correction de vignetage", "Appliquer", false},
    {MOLVANE_TOOL_MERGE, "Fusion d'images", "Appliquer", true},
};

void PrintTo(const NonModalTool& tool, std::ostream* out) { *out << "tool " << tool.tool; }

constexpr int32_t kW = 40, kH = 30;

// A key as the keyboard sends it: down, its character, up, to whichever
// window has the focus; the host's plain loop then runs.
void Key(UINT key, char character = 0, bool shift = false) {
  BYTE state[256];
  GetKeyboardState(state);
  state[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(state);
  HWND focus = GetFocus();
  PostMessageA(focus, WM_KEYDOWN, key, 1);
  if (character) PostMessageA(focus, WM_CHAR, WPARAM(uint8_t(character)), 1);
  PostMessageA(focus, WM_KEYUP, key, LPARAM(0xC0000001u));
  host::PumpMessages();
  state[VK_SHIFT] = 0;
  SetKeyboardState(state);
}

bool IsPushButton(HWND window) {
  if (host::ClassOf(window) != "Button") return false;
  const LONG type = GetWindowLongA(window, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_OWNERDRAW;
}

class DialogKeys : public ::testing::TestWithParam<NonModalTool> {
 protected:
  void SetUp() override {
    CloseDialog();
    image_ = MakeImage(RandomPixels(kW * kH, 31));
    second_ = MakeImage(RandomPixels(kW * kH, 32));
  }
  void TearDown() override {
    host::CallbackRecorder::Instance().DuringCall(nullptr);
    CloseDialog();
  }
  HWND Dialog() const { return host::FindDialog(GetParam().caption); }
  void CloseDialog() {
    if (HWND cancel = host::FindChild(Dialog(), "Button", "Annuler")) host::Click(cancel);
    host::PumpMessages();
  }
  // Phase 0, and for the two-image tools the second image as the user's click sends it.
  host::CallbackRecorder& Open() {
    host::CallbackRecorder& recorder = FreshRecorder(0x4B);
    RunTool(GetParam().tool, 0, image_, kW, kH);
    if (GetParam().asksForSecondImage) RunTool(GetParam().tool, MOLVANE_PHASE_CONTINUE, second_, kW, kH);
    host::PumpMessages();
    return recorder;
  }
  HWND Focus() const {
    HWND focus = GetFocus();
    return Dialog() && IsChild(Dialog(), focus) ? focus : nullptr;
  }
  // The tab stops from the focused one, in the order Tab visits them, until it comes back.
  std::vector<HWND> TabRound() {
    std::vector<HWND> round{Focus()};
    for (int i = 0; i < 40; ++i) {
      Key(VK_TAB, '\t');
      if (Focus() == round.front()) return round;
      round.push_back(Focus());
    }
    ADD_FAILURE() << "Tab never came back to where it started";
    return round;
  }

  TPtsImg image_, second_;
};

// Tab visits every tab stop and comes back; Shift+Tab walks the same round
// backwards; the focus starts inside the dialog.
TEST_P(DialogKeys, TabAndShiftTabGoRoundTheTabStops) {
  Open();
  ASSERT_NE(Dialog(), nullptr);
  ASSERT_NE(Focus(), nullptr) << "no control of the dialog has the focus";
  const std::vector<HWND> round = TabRound();
  ASSERT_GE(round.size(), 3u);
  for (HWND stop : round) EXPECT_NE(stop, nullptr) << "Tab left the dialog";
  for (size_t i = round.size(); i-- > 0;) {
    Key(VK_TAB, '\t', true);
    EXPECT_EQ(Focus(), round[i]) << "Shift+Tab, step " << round.size() - i;
  }
}

// Enter presses the default button from any control that is not a push
// button; Esc does what "Annuler" does, to the same callbacks, and so does
// the IDCANCEL command a host's own IsDialogMessage would send.
TEST_P(DialogKeys, EnterPressesTheDefaultButtonAndEscCancels) {
  std::vector<host::CallbackCall> byEnter, byEsc, byCommand, byAnnuler;
  Open();
  for (int i = 0; i < 40 && IsPushButton(Focus()); ++i) Key(VK_TAB, '\t');
  ASSERT_FALSE(IsPushButton(Focus()));
  Key(VK_RETURN, '\r');
  EXPECT_EQ(Dialog(), nullptr) << "Enter left the dialog open";
  byEnter = host::CallbackRecorder::Instance().Calls();
  ASSERT_FALSE(byEnter.empty());
  EXPECT_EQ(byEnter.back().finished, 1) << "Enter did not end the run";
  if (GetParam().asksForSecondImage) {
    EXPECT_EQ(byEnter.back().actionCode, MOLVANE_ACTION_NEW_IMAGE);
    EXPECT_NE(byEnter.back().actionData, 0) << "the default button delivers the new image";
  }

  Open();
  ASSERT_NE(Focus(), nullptr) << "no control of the dialog has the focus";
  Key(VK_ESCAPE, 0x1B);
  EXPECT_EQ(Dialog(), nullptr) << "Esc left the dialog open";
  byEsc = host::CallbackRecorder::Instance().Calls();

  Open();
  SendMessageA(Dialog(), WM_COMMAND, IDCANCEL, 0);
  host::PumpMessages();
  EXPECT_EQ(Dialog(), nullptr) << "IDCANCEL left the dialog open";
  byCommand = host::CallbackRecorder::Instance().Calls();

  Open();
  host::Click(host::FindChild(Dialog(), "Button", "Annuler"));
  host::PumpMessages();
  byAnnuler = host::CallbackRecorder::Instance().Calls();
  for (const std::vector<host::CallbackCall>* calls : {&byEsc, &byCommand}) {
    ASSERT_EQ(calls->size(), byAnnuler.size());
    for (size_t i = 0; i < byAnnuler.size(); ++i) {
      EXPECT_EQ((*calls)[i].actionCode, byAnnuler[i].actionCode);
      EXPECT_EQ((*calls)[i].applied, byAnnuler[i].applied);
      EXPECT_EQ((*calls)[i].finished, byAnnuler[i].finished);
    }
  }
}

// Shown again, the dialog gives the focus back to the control that had it
// ("Annuler": enabled in every state, and never the first tab stop).
TEST_P(DialogKeys, TheFocusComesBackWhereItWas) {
  Open();
  HWND cancel = host::FindChild(Dialog(), "Button", "Annuler");
  for (int i = 0; i < 40 && Focus() != cancel; ++i) Key(VK_TAB, '\t');
  ASSERT_EQ(Focus(), cancel);
  Key(VK_TAB, '\t', true);
  ASSERT_NE(Focus(), cancel);
  HWND before = Focus();
  Key(VK_TAB, '\t');
  Key(VK_ESCAPE, 0x1B);
  ASSERT_EQ(Dialog(), nullptr);
  Open();
  EXPECT_EQ(Focus(), cancel);
  Key(VK_TAB, '\t', true);
  EXPECT_EQ(Focus(), before) << "the tab order after showing again";
}

INSTANTIATE_TEST_SUITE_P(NonModal, DialogKeys, ::testing::ValuesIn(kTools),
                         [](const ::testing::TestParamInfo<NonModalTool>& info) {
                           return "Tool" + std::to_string(info.param.tool);
                         });

// The arrow keys move within a radio group and check what they reach; the
// space bar ticks a focused check box: the merge's mode, then its prevalent image.
TEST(DialogKeysInAGroup, ArrowsChooseTheModeAndSpaceTicksABox) {
  const char kCaption[] = "Fusion d'images";
  TPtsImg first = MakeImage(RandomPixels(kW * kH, 33)), second = MakeImage(RandomPixels(kW * kH, 34));
  FreshRecorder(0x4B);
  RunTool(MOLVANE_TOOL_MERGE, MOLVANE_PHASE_OPEN, first, kW, kH);
  RunTool(MOLVANE_TOOL_MERGE, MOLVANE_PHASE_CONTINUE, second, kW, kH);
  host::PumpMessages();
  HWND dialog = host::FindDialog(kCaption);
  ASSERT_NE(dialog, nullptr);
  HWND maximum = host::FindChild(dialog, "Button", "Luminosité la plus élevée");
  HWND transparency = host::FindChild(dialog, "Button", "Jeu de transparence");
  ASSERT_TRUE(maximum && transparency);
  for (int i = 0; i < 40 && GetFocus() != maximum; ++i) Key(VK_TAB, '\t');
  ASSERT_EQ(GetFocus(), maximum);
  Key(VK_RIGHT);
  EXPECT_EQ(GetFocus(), transparency);
  EXPECT_TRUE(host::IsChecked(transparency));
  EXPECT_FALSE(host::IsChecked(maximum));
  HWND prevalent = host::FindChild(dialog, "Button", "Image N° 1");
  ASSERT_NE(prevalent, nullptr) << "the transparency settings did not show";
  for (int i = 0; i < 40 && GetFocus() != prevalent; ++i) Key(VK_TAB, '\t');
  ASSERT_EQ(GetFocus(), prevalent);
  Key(VK_SPACE, ' ');
  EXPECT_TRUE(host::IsChecked(prevalent));
  host::Click(host::FindChild(dialog, "Button", "Annuler"));
  host::PumpMessages();
}

}  // namespace
}  // namespace molvane::hosttest
