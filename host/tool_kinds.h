// How each tool of the plug-in's menu runs, as its hosts need to know it.
#pragma once

#include <cstdint>

namespace molvane::host {

enum class ToolKind {
  kTwoImage,        // waits for a click on a second image, delivers a new one (1, 7)
  kAppliedAtOnce,   // computes inside the call, no dialog (2)
  kModal,           // a modal dialog inside the call (3, 6, 8)
  kPointPicking,    // a non-modal dialog taking clicks on the image (4, 5)
  kUnknown,
};

inline ToolKind KindOfTool(int32_t tool) {
  constexpr ToolKind kKinds[] = {ToolKind::kTwoImage,     ToolKind::kAppliedAtOnce, ToolKind::kModal,
                                 ToolKind::kPointPicking, ToolKind::kPointPicking,  ToolKind::kModal,
                                 ToolKind::kTwoImage,     ToolKind::kModal};
  return tool >= 1 && tool <= 8 ? kKinds[tool - 1] : ToolKind::kUnknown;
}

}  // namespace molvane::host
