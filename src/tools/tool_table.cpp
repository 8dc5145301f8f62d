// The tools this library offers, as the dispatch sees them.
#include "boundary/tool_table.h"

#include "boundary/exports.h"
#include "dialog_kit/applied_at_once.h"
#include "dialog_kit/dialog_module.h"
#include "tools/background_dialog.h"
#include "tools/comparison_dialog.h"
#include "tools/gradient_dialog.h"
#include "tools/matrix_filter_dialog.h"
#include "tools/merge_dialog.h"
#include "tools/noise_reduction.h"
#include "tools/threshold_dialog.h"
#include "tools/vignetting_dialog.h"

namespace molvane {
namespace {

// In the order their modules start. The noise reduction has no dialog and
// no module state: nothing to start. The vignetting needs a corner to work
// from: an image without pixels is refused.
constexpr ToolEntry kTools[] = {
    DialogTool<TComparer>(MOLVANE_TOOL_COMPARISON, "Comparaison"),
    DialogTool<TFiltresMX>(MOLVANE_TOOL_MATRIX_FILTER, "Filtres matriciels"),
    DialogTool<TCorrVignetage>(MOLVANE_TOOL_VIGNETTING, "Vignetage", true),
    DialogTool<TCorrFond>(MOLVANE_TOOL_BACKGROUND, "Modification du fond"),
    DialogTool<TSeuilImg>(MOLVANE_TOOL_THRESHOLD, "Seuillage"),
    DialogTool<TFusionner>(MOLVANE_TOOL_MERGE, "Fusionner"),
    DialogTool<TCompDegr>(MOLVANE_TOOL_GRADIENT, "Compenser dégradé"),
    AppliedAtOnceTool<ReduceNoise>(MOLVANE_TOOL_NOISE_REDUCTION, "Réduction de bruit"),
};

}  // namespace

ToolTable Tools() { return ToolTable{kTools, sizeof kTools / sizeof kTools[0]}; }

}  // namespace molvane
