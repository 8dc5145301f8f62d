// The button row of the modal preview dialogs: "Réinitialiser", "Annuler", "Appliquer".
#pragma once

#include "ui/controls.h"

namespace molvane {

// Where the row sits in a 642 x 344 dialog, for its layout table.
constexpr ui::Rect kReInitPlace{345, 303, 80, 25};
constexpr ui::Rect kAnnulerPlace{447, 303, 80, 25};
constexpr ui::Rect kAppliquerPlace{550, 303, 80, 25};

}  // namespace molvane
