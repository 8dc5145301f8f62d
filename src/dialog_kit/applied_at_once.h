// The tools applied at once, without a dialog (noise reduction).
#pragma once

#include <cstdint>

#include "boundary/image_run.h"
#include "boundary/tool_table.h"
#include "colour/pixel.h"

namespace molvane {

// A full-image step from a copy of the image into the image.
using FullImageStep = void (*)(const Pixel24* source, Pixel24* target, int32_t width, int32_t height);

// Runs `step` under the hourglass from a private copy of the host's image
// into the host's image, sets the apply flag and reports (Applied 1,
// Finished 1) before the cursor comes back.
void ApplyAtOnce(const ImageRun& run, FullImageStep step);

// The tool table's row of a tool applied at once: no module, no phase 1.
template <FullImageStep Step>
constexpr ToolEntry AppliedAtOnceTool(int32_t number, const char* caption) {
  return ToolEntry{number, caption, false, nullptr, nullptr,
                   [](const ImageRun& run) { ApplyAtOnce(run, Step); }, nullptr};
}

}  // namespace molvane
