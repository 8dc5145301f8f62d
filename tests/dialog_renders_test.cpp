// The preview dialogs draw their preview once when shown and once per change
// of a control, however many controls the showing resets.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "boundary/exports.h"
#include "boundary/host_protocol.h"
#include "boundary/pixel_array.h"
#include "dialog_kit/dialog_module.h"
#include "host_callback_recorder.h"
#include "loaded_library.h"
#include "tools/merge_dialog.h"
#include "ui/headless/headless.h"

namespace molvane {
namespace {

using DialogRenders = testing::LoadedLibrary;

TEST_F(DialogRenders, OncePerShowingAndOncePerChange) {
  const struct {
    int32_t tool;
    const char* slider;
  } tools[] = {{MOLVANE_TOOL_THRESHOLD, "PosSeuil"}, {MOLVANE_TOOL_GRADIENT, "CurseurN1"}};
  for (const auto& t : tools) {
    SCOPED_TRACE("tool " + std::to_string(t.tool));
    for (int showing = 0; showing < 2; ++showing) {
      int atShow = -1, afterChange = -1;
      ui::headless::TheState().pictureRefreshes = 0;
      ui::headless::TheState().modalScript = [&](ui::Form& form) {
        atShow = ui::headless::TheState().pictureRefreshes;
        ui::headless::Find<ui::TrackBar>(form, t.slider).SetPosition(30);
        afterChange = ui::headless::TheState().pictureRefreshes;
        form.Close();
      };
      TPtsImg image(40 * 30);
      XchgData(t.tool, 0, 0, 0, 0, 40, 30, 0, 0, image.Handle(), nullptr, "image", 0);
      EXPECT_EQ(atShow, 1) << "showing " << showing;
      EXPECT_EQ(afterChange - atShow, 1) << "showing " << showing;
    }
  }
}

// A slider the program moves fires nothing: the merge's TxMin pushed past
// TxMax drags TxMax along, and the user's one move draws the preview once.
TEST_F(DialogRenders, ASliderTheProgramMovesFiresNothing) {
  TPtsImg first(40 * 30), second(40 * 30);
  XchgData(MOLVANE_TOOL_MERGE, 0, 0, 0, 0, 40, 30, MOLVANE_PHASE_OPEN, 0, first.Handle(), nullptr, "un", 0);
  XchgData(MOLVANE_TOOL_MERGE, 0, 0, 0, 0, 40, 30, MOLVANE_PHASE_CONTINUE, 0, second.Handle(), nullptr, "deux", 0);
  TFusionner& d = TheDialog<TFusionner>();
  ASSERT_TRUE(d.Showing());
  d.TxMax.SetPosition(100);
  const int before = ui::headless::TheState().pictureRefreshes;
  d.TxMin.SetPosition(150);
  EXPECT_EQ(d.TxMax.Position(), 150);
  EXPECT_EQ(ui::headless::TheState().pictureRefreshes - before, 1);
  d.Annuler.Click();
}

}  // namespace
}  // namespace molvane
