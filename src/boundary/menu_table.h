// The plug-in's menu: its caption, its display name and the item captions the host asks AddMenu for.
#pragma once

#include <vector>

namespace molvane {

// The menu caption and the item captions; the index of a caption plus one
// is its tool number. Filled from the tool table by MenuTableInitialize,
// released by MenuTableFinalize.
extern const char* const kMenuCaption;
extern const char* const kDisplayName;
const std::vector<const char*>& MenuTable();

void MenuTableInitialize();
void MenuTableFinalize();

}  // namespace molvane
