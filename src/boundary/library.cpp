// The order in which the library's modules initialise and finalise.
#include "boundary/library.h"

#include "boundary/params.h"
#include "boundary/shared_heap.h"
#include "tools/background_dialog.h"
#include "tools/comparison_dialog.h"
#include "tools/gradient_dialog.h"
#include "tools/matrix_filter_dialog.h"
#include "tools/merge_dialog.h"
#include "tools/threshold_dialog.h"
#include "tools/vignetting_dialog.h"

namespace molvane {

bool LibraryInitialize() {
  if (!SharedHeapInitialize()) return false;
  CompImgInitialize();
  FltMatrixInitialize();
  VignetageInitialize();
  ModifFondInitialize();
  SeuillageInitialize();
  FusionImgInitialize();
  DegradeInitialize();
  ParamsInitialize();
  return true;
}

void LibraryFinalize() {
  ParamsFinalize();
  DegradeFinalize();
  FusionImgFinalize();
  SeuillageFinalize();
  ModifFondFinalize();
  VignetageFinalize();
  FltMatrixFinalize();
  CompImgFinalize();
  SharedHeapFinalize();
}

}  // namespace molvane
