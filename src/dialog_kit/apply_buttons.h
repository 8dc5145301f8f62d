// The bottom row every previewing dialog ends with: "Réinitialiser", "Annuler", "Appliquer".
#pragma once

#include "ui/controls.h"

namespace molvane {

// Places the three buttons at the foot of a 642 x 344 dialog and gives
// "Annuler" the cancel role and "Appliquer" the OK role.
inline void LayOutApplyButtons(ui::Button& reInit, ui::Button& annuler, ui::Button& appliquer) {
  reInit.SetCaption("Réinitialiser");
  reInit.SetBounds({345, 303, 80, 25});
  annuler.SetCaption("Annuler");
  annuler.SetBounds({447, 303, 80, 25});
  annuler.SetRole(ui::ButtonRole::Cancel);
  appliquer.SetCaption("Appliquer");
  appliquer.SetBounds({550, 303, 80, 25});
  appliquer.SetRole(ui::ButtonRole::Ok);
}

}  // namespace molvane
