// The tools this library offers, as the dispatch sees them.
#include "boundary/tool_table.h"

#include "tools/background_dialog.h"
#include "tools/comparison_dialog.h"
#include "tools/gradient_dialog.h"
#include "tools/matrix_filter_dialog.h"
#include "tools/merge_dialog.h"
#include "tools/noise_reduction_tool.h"
#include "tools/threshold_dialog.h"
#include "tools/vignetting_dialog.h"

namespace molvane {
namespace {

// In the order their modules start. The noise reduction has no dialog and
// no module state: nothing to start. The vignetting needs a corner to work
// from: an image without pixels is refused.
const ToolEntry kTools[] = {
    {MOLVANE_TOOL_COMPARISON, "Comparaison", false, CompImgInitialize, CompImgFinalize,
     [](const ImageRun& run) { Comparer().Open(run); },
     [](const PhaseOneCall& call) { Comparer().Continue(call); }},
    {MOLVANE_TOOL_MATRIX_FILTER, "Filtres matriciels", false, FltMatrixInitialize, FltMatrixFinalize,
     [](const ImageRun& run) { FiltresMX().Open(run); }, nullptr},
    {MOLVANE_TOOL_VIGNETTING, "Vignetage", true, VignetageInitialize, VignetageFinalize,
     [](const ImageRun& run) { CorrVignetage().Open(run); },
     [](const PhaseOneCall& call) { CorrVignetage().Continue(call); }},
    {MOLVANE_TOOL_BACKGROUND, "Modification du fond", false, ModifFondInitialize, ModifFondFinalize,
     [](const ImageRun& run) { CorrFond().Open(run); },
     [](const PhaseOneCall& call) { CorrFond().Continue(call); }},
    {MOLVANE_TOOL_THRESHOLD, "Seuillage", false, SeuillageInitialize, SeuillageFinalize,
     [](const ImageRun& run) { SeuilImg().Open(run); }, nullptr},
    {MOLVANE_TOOL_MERGE, "Fusionner", false, FusionImgInitialize, FusionImgFinalize,
     [](const ImageRun& run) { Fusionner().Open(run); },
     [](const PhaseOneCall& call) { Fusionner().Continue(call); }},
    {MOLVANE_TOOL_GRADIENT, "Compenser dégradé", false, DegradeInitialize, DegradeFinalize,
     [](const ImageRun& run) { CompDegr().Open(run); }, nullptr},
    {MOLVANE_TOOL_NOISE_REDUCTION, "Réduction de bruit", false, nullptr, nullptr, [](const ImageRun& run) { ReduceNoise(run); },
     nullptr},
};

}  // namespace

ToolTable Tools() { return ToolTable{kTools, sizeof kTools / sizeof kTools[0]}; }

}  // namespace molvane
