// Whether this build runs every full-image step on its plain reference loop.
#pragma once

namespace molvane {

// On in the build made with MOLVANE_REFERENCE_PATHS: each step's fast entry
// hands over to its reference, so the golden table can hold the real DLL's
// fast and reference paths to the same bytes.
#ifdef MOLVANE_REFERENCE_PATHS
constexpr bool kReferencePathsOnly = true;
#else
constexpr bool kReferencePathsOnly = false;
#endif

}  // namespace molvane
