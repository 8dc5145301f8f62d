// The small pictures on the buttons of the matrix filter, comparison and merge dialogs.
#pragma once

#include "ui/bitmap.h"

namespace molvane {

// 16 x 16 glyphs whose bottom-left pixel's colour is transparent.
ui::Bitmap24 OpenFileGlyph();  // an open folder: "Charger"
ui::Bitmap24 SaveFileGlyph();  // a diskette: "Enregistrer"
ui::Bitmap24 PreviewGlyph();   // a magnifying glass: "Visualiser"
ui::Bitmap24 GapGlyph();       // two overlapping pictures, their common part dark: "Créer une image d'écart"
ui::Bitmap24 ApplyGlyph();     // a green tick: "Appliquer" of the merge dialog

}  // namespace molvane
