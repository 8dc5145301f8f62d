// Params: the four exports, the menu table and the dispatch to the tools.
#include "boundary/params.h"

#include "boundary/exports.h"
#include "boundary/host_protocol.h"
#include "boundary/module_guard.h"
#include "boundary/pixel_array.h"
#include "boundary/version_info.h"
#include "platform/platform.h"
#include "tools/background_dialog.h"
#include "tools/comparison_dialog.h"
#include "tools/gradient_dialog.h"
#include "tools/matrix_filter_dialog.h"
#include "tools/merge_dialog.h"
#include "tools/noise_reduction_tool.h"
#include "tools/threshold_dialog.h"
#include "tools/vignetting_dialog.h"

namespace molvane {

const char* const kMenuCaption = "Divers";
const char* const kDisplayName = "Pelmorande (Molvane)";

namespace {

ModuleGuard guard;
std::vector<const char*> menuTable;

// Tools 1, 4, 5 and 7 open at phase 0 and take the user's answers at phase
// 1; the others open at every call.
bool OpensTool(int32_t toolNumber, int32_t callPhase) {
  const bool twoPhase = toolNumber == 1 || toolNumber == 4 || toolNumber == 5 || toolNumber == 7;
  return callPhase == 0 || !twoPhase;
}

// Tool numbers start at 1; phases other than 0 and 1 are ignored by the
// two-phase tools. An opening call on an image the array cannot hold is
// refused here, alike for every tool.
void Dispatch(int32_t toolNumber, int32_t callPhase, TPtsImg& pixels, TPtsImg& pixels2,
              ImageSize size, const char* imageName, int32_t pointX, int32_t pointY) {
  if (OpensTool(toolNumber, callPhase) && !AcceptsImage(pixels, size)) {
    RefuseImage(size);
    return;
  }
  switch (toolNumber) {
    case 1:
      if (callPhase == 0) Comparer().Open(pixels, size, imageName);
      else if (callPhase == 1) Comparer().Continue(pixels, size, imageName);
      break;
    case 2:
      ReduceNoise(pixels, size);
      break;
    case 3:
      FiltresMX().Open(pixels, size);
      break;
    case 4:
      if (callPhase == 0) CorrFond().Open(pixels, size);
      else if (callPhase == 1) CorrFond().Continue(FillPoint{pointX, pointY}, pixels, pixels2);
      break;
    case 5:
      if (callPhase == 0) CorrVignetage().Open(pixels, size);
      else if (callPhase == 1) CorrVignetage().Continue(ImagePoint{pointX, pointY}, pixels2);
      break;
    case 6:
      SeuilImg().Open(pixels, size);
      break;
    case 7:
      if (callPhase == 0) Fusionner().Open(pixels, size, imageName);
      else if (callPhase == 1) Fusionner().Continue(pixels, size, imageName);
      break;
    case 8:
      CompDegr().Open(pixels, size);
      break;
    default:
      break;
  }
}

}  // namespace

const std::vector<const char*>& MenuTable() { return menuTable; }

void ParamsInitialize() {
  if (!guard.Enter()) return;
  menuTable = {"Comparaison",  "Réduction de bruit", "Filtres matriciels",
               "Modification du fond", "Vignetage", "Seuillage",
               "Fusionner", "Compenser dégradé"};
}

void ParamsFinalize() {
  if (!guard.Leave()) return;
  menuTable.clear();
  menuTable.shrink_to_fit();
}

}  // namespace molvane

using namespace molvane;

// No C++ exception may reach the host: each export catches everything and
// returns normally, its references released by their destructors.

void MOLVANE_STDCALL XchgData(int32_t ToolNumber, int32_t, int32_t, int32_t PointX,
                              int32_t PointY, int32_t ImageWidth, int32_t ImageHeight,
                              int32_t CallPhase, int32_t, Pixel24* Pixels, Pixel24* Pixels2,
                              const char* ImageName, int32_t) {
  try {
    TPtsImg pixels = TPtsImg::Share(Pixels);
    TPtsImg pixels2 = TPtsImg::Share(Pixels2);
    ApplyFlag() = 0;
    // Compared unsigned, so a negative number is out of range too.
    if (uint32_t(ToolNumber) - 1u < uint32_t(kToolCount))
      Dispatch(ToolNumber, CallPhase, pixels, pixels2, ImageSize{ImageWidth, ImageHeight},
               ImageName, PointX, PointY);
  } catch (...) {
  }
}

const char* MOLVANE_STDCALL AddMenu(int32_t* Index) {
  if (!Index) return "";
  if (*Index == 0) {
    *Index = kToolCount;
    return kMenuCaption;
  }
  const std::vector<const char*>& table = MenuTable();
  if (*Index < 0 || size_t(*Index) > table.size()) return "";  // outside what a host asks for
  return table[size_t(*Index) - 1];
}

const char* MOLVANE_STDCALL PrmDLL(int32_t* Major, int32_t* Minor, const char** MenuCaption) {
  FileVersionNumbers version{0, 0};
  try {
    version = ReadOwnFileVersion(SystemPlatform());
  } catch (...) {
  }
  if (Major) *Major = version.major;
  if (Minor) *Minor = version.minor;
  if (MenuCaption) *MenuCaption = kMenuCaption;
  return kDisplayName;
}

void MOLVANE_STDCALL AdrRetour(HostCallback Callback, int32_t UserValue) {
  RegisterHostCallback(Callback, UserValue);
}
