// The callback cell, the apply flag and the report every tool sends to the host.
#pragma once

#include <cstdint>

#include "boundary/exports.h"
#include "boundary/pixel_array.h"

namespace molvane {

// Width and height as the tools receive them: one pair, in this order.
struct ImageSize {
  int32_t width;
  int32_t height;
};

// True when both sides are positive and `pixels` holds width x height of them
// (a longer array is fine: the image is its first pixels).
bool HoldsImage(const TPtsImg& pixels, ImageSize size);

// The image a tool opens on is taken when the array exists, neither side is
// negative and it holds width x height pixels; anything else is a host's
// mistake that every tool refuses the same way (ReportRefusal).
bool AcceptsImage(const TPtsImg& pixels, ImageSize size);

// One module-wide byte: cleared by every XchgData call, set to 1 when a tool's
// result is in place; passed to the host as Applied.
uint8_t& ApplyFlag();

// Stores the host's callback and user value, replacing what was there.
void RegisterHostCallback(HostCallback callback, int32_t userValue);

// Calls the host's callback (UserValue, width, height, 0, 0, actionCode,
// actionData, applied, finished). Skipped when no callback is registered.
void ReportToHost(ImageSize size, int32_t actionCode, intptr_t actionData, uint8_t applied,
                  int32_t finished);

// The one answer to an image a tool refuses: nothing written, no dialog, and
// this final callback (ActionCode 0, Applied 0, Finished 1).
void ReportRefusal(ImageSize size);

// Hands the host a new image (ActionCode 3, Applied 1, Finished 1), or none
// when `image` is empty. The host takes its own reference during the call;
// the caller releases its reference right after.
void DeliverImageToHost(ImageSize size, const TPtsImg& image);

}  // namespace molvane
