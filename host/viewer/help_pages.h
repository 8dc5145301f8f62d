// The viewer's help: one short page on the viewer and one per tool of the "Divers" menu.
#pragma once

#include <cstddef>
#include <cstdint>

namespace molvane::viewer {

struct HelpPage {
  const char* title;
  // What to do first once the tool's dialog shows, for the status bar; null for the viewer's page.
  const char* firstStep;
  // Paragraphs, "\r\n" between lines, as an edit box shows them.
  const char* text;
};

// The viewer's page first, then the tools in the plug-in's order (tool N is page N).
constexpr size_t kHelpPageCount = 9;
const HelpPage& HelpPageAt(size_t index);
// The page of tool 1..8; the viewer's page for any other number.
size_t HelpPageOfTool(int32_t tool);

}  // namespace molvane::viewer
