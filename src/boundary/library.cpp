// The order in which the library's modules initialise and finalise.
#include "boundary/library.h"

#include "boundary/params.h"
#include "boundary/shared_heap.h"

namespace molvane {

bool LibraryInitialize() {
  if (!SharedHeapInitialize()) return false;
  ParamsInitialize();
  return true;
}

void LibraryFinalize() {
  ParamsFinalize();
  SharedHeapFinalize();
}

}  // namespace molvane
