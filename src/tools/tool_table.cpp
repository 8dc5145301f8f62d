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
    {1, "Comparaison", false, CompImgInitialize, CompImgFinalize,
     [](const ImageRun& run) { Comparer().Open(run); },
     [](const PhaseOneCall& call) { Comparer().Continue(call); }},
    {3, "Filtres matriciels", false, FltMatrixInitialize, FltMatrixFinalize,
     [](const ImageRun& run) { FiltresMX().Open(run); }, nullptr},
    {5, "Vignetage", true, VignetageInitialize, VignetageFinalize,
     [](const ImageRun& run) { CorrVignetage().Open(run); },
     [](const PhaseOneCall& call) { CorrVignetage().Continue(call); }},
    {4, "Modification du fond", false, ModifFondInitialize, ModifFondFinalize,
     [](const ImageRun& run) { CorrFond().Open(run); },
     [](const PhaseOneCall& call) { CorrFond().Continue(call); }},
    {6, "Seuillage", false, SeuillageInitialize, SeuillageFinalize,
     [](const ImageRun& run) { SeuilImg().Open(run); }, nullptr},
    {7, "Fusionner", false, FusionImgInitialize, FusionImgFinalize,
     [](const ImageRun& run) { Fusionner().Open(run); },
     [](const PhaseOneCall& call) { Fusionner().Continue(call); }},
    {8, "Compenser dégradé", false, DegradeInitialize, DegradeFinalize,
     [](const ImageRun& run) { CompDegr().Open(run); }, nullptr},
    {2, "Réduction de bruit", false, nullptr, nullptr, [](const ImageRun& run) { ReduceNoise(run); },
     nullptr},
};

}  // namespace

ToolTable Tools() { return ToolTable{kTools, sizeof kTools / sizeof kTools[0]}; }

}  // namespace molvane
