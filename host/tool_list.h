// The plug-in's tools as its hosts know them: number, command-line name,
// the caption of the dialog a host drives, and how a run goes.
#pragma once

#include <cstdint>
#include <cstring>

#include "boundary/exports.h"

namespace molvane::host {

enum class ToolKind {
  kTwoImage,       // waits for a click on a second image, delivers a new one
  kAppliedAtOnce,  // computes inside the call, no dialog
  kModal,          // a modal dialog inside the call
  kPointPicking,   // a non-modal dialog taking clicks on the image
};

struct HostTool {
  int32_t number;
  const char* name;           // on the command line and in result file names
  const char* dialogCaption;  // null: no dialog; Windows-1252 bytes, as the plug-in's
  ToolKind kind;
};

inline constexpr HostTool kHostTools[] = {
    {MOLVANE_TOOL_COMPARISON, "comparaison", "Comparaison d'images", ToolKind::kTwoImage},
    {MOLVANE_TOOL_NOISE_REDUCTION, "reduction", nullptr, ToolKind::kAppliedAtOnce},
    {MOLVANE_TOOL_MATRIX_FILTER, "filtres", "Filtres Matriciels", ToolKind::kModal},
    {MOLVANE_TOOL_BACKGROUND, "fond", "Modification du fond", ToolKind::kPointPicking},
    {MOLVANE_TOOL_VIGNETTING, "vignetage", "Correction de vignetage", ToolKind::kPointPicking},
    {MOLVANE_TOOL_THRESHOLD, "seuillage", "Seuillage d'une image", ToolKind::kModal},
    {MOLVANE_TOOL_MERGE, "fusionner", "Fusion d'images", ToolKind::kTwoImage},
    {MOLVANE_TOOL_GRADIENT, "degrade", "Compensation d'un dégradé", ToolKind::kModal},
};

// The tool of that number, or null.
inline const HostTool* FindHostTool(int32_t number) {
  for (const HostTool& tool : kHostTools)
    if (tool.number == number) return &tool;
  return nullptr;
}

// The tool of that command-line name, or null.
inline const HostTool* FindHostTool(const char* name) {
  for (const HostTool& tool : kHostTools)
    if (std::strcmp(tool.name, name) == 0) return &tool;
  return nullptr;
}

// A tool that leaves a non-modal dialog on screen when its opening returns.
inline bool LeavesDialogOpen(int32_t number) {
  const HostTool* tool = FindHostTool(number);
  return tool && (tool->kind == ToolKind::kTwoImage || tool->kind == ToolKind::kPointPicking);
}

}  // namespace molvane::host
