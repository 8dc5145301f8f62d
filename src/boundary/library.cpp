// The order in which the library's modules initialise and finalise.
#include "boundary/library.h"

#include "boundary/params.h"
#include "boundary/shared_heap.h"
#include "tools/gradient_dialog.h"
#include "tools/matrix_filter_dialog.h"
#include "tools/threshold_dialog.h"

namespace molvane {

bool LibraryInitialize() {
  if (!SharedHeapInitialize()) return false;
  FltMatrixInitialize();
  SeuillageInitialize();
  DegradeInitialize();
  ParamsInitialize();
  return true;
}

void LibraryFinalize() {
  ParamsFinalize();
  DegradeFinalize();
  SeuillageFinalize();
  FltMatrixFinalize();
  SharedHeapFinalize();
}

}  // namespace molvane
