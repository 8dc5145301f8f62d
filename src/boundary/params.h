// Params: the menu table and the dispatch of XchgData calls to the tools.
#pragma once

#include <cstdint>
#include <vector>

namespace molvane {

// The menu caption and the item captions; the index of a caption plus one
// is its tool number. Filled from the tool table by ParamsInitialize,
// released by ParamsFinalize.
extern const char* const kMenuCaption;
extern const char* const kDisplayName;
const std::vector<const char*>& MenuTable();

void ParamsInitialize();
void ParamsFinalize();

}  // namespace molvane
