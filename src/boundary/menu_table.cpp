// The menu table, filled from the tool table while the library is loaded.
#include "boundary/menu_table.h"

#include "boundary/module_guard.h"
#include "boundary/tool_table.h"

namespace molvane {

const char* const kMenuCaption = "Divers";
const char* const kDisplayName = "Pelmorande (Molvane)";

namespace {

ModuleGuard guard;
std::vector<const char*> menuTable;

}  // namespace

const std::vector<const char*>& MenuTable() { return menuTable; }

void MenuTableInitialize() {
  if (!guard.Enter()) return;
  menuTable.assign(Tools().count, "");
  for (const ToolEntry& tool : Tools())
    if (tool.number >= 1 && size_t(tool.number) <= menuTable.size())
      menuTable[size_t(tool.number) - 1] = tool.caption;
}

void MenuTableFinalize() {
  if (!guard.Leave()) return;
  menuTable.clear();
  menuTable.shrink_to_fit();
}

}  // namespace molvane
