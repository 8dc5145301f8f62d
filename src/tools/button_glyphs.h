// The small pictures on the matrix filter dialog's file and preview buttons.
#pragma once

#include "ui/bitmap.h"

namespace molvane {

// 16 x 16 glyphs whose bottom-left pixel's colour is transparent.
ui::Bitmap24 OpenFileGlyph();  // an open folder: "Charger"
ui::Bitmap24 SaveFileGlyph();  // a diskette: "Enregistrer"
ui::Bitmap24 PreviewGlyph();   // a magnifying glass: "Visualiser"

}  // namespace molvane
