// The host protocol: every call the plug-in makes to the host, by name, and
// the apply flag it reports.
//
// Each function is one row of the callback table: HostCallback(UserValue,
// Width, Height, 0, 0, ActionCode, ActionData, Applied, Finished), W x H the
// image the tool was opened on (for tools 1 and 7 the first image). A host
// that registered no callback hears nothing.
#pragma once

#include <cstdint>

#include "boundary/exports.h"
#include "boundary/image_size.h"
#include "boundary/pixel_array.h"

namespace molvane {

// One module-wide byte: cleared by every XchgData call, set to 1 when a tool's
// result is in place (for the two-image tools: when the second image matches
// the first); reported as Applied.
uint8_t& ApplyFlag();

// Stores the host's callback and user value, replacing what was there.
void RegisterHostCallback(HostCallback callback, int32_t userValue);

// (0, 2, 0, 0): let the user click a second image and send it as a phase-1
// call (tools 1 and 7, before their dialog shows).
void AskForSecondImage(ImageSize size);

// (1, 0, 0, 0): forward the user's clicks on the image as phase-1 calls
// (tools 4 and 5, before their dialog shows).
void AskForClicks(ImageSize size);

// (0, 0, applied, 0): the host's buffer changed (applied 1) or was put back
// (applied 0) and the run goes on; the host repaints.
void ReportStep(ImageSize size, uint8_t applied);

// (0, 0, applied, 1): the run has ended; applied 1 keeps the change.
void ReportFinished(ImageSize size, uint8_t applied);

// (0, 3 or 0, applied, 1): the matrix filter's end; ActionData 3 says the
// host's buffer does not hold the result of the filter last shown.
void ReportFilterFinished(ImageSize size, uint8_t applied, bool bufferHoldsFilterResult);

// (3, image, 1, 1): a new image handed over (null when there is none). The
// host takes its own reference during the call; the caller releases its
// reference right after.
void DeliverImage(ImageSize size, const TPtsImg& image);

// (0, 0, 0, 1): the image was refused; nothing was written, no dialog shown.
void RefuseImage(ImageSize size);

}  // namespace molvane
