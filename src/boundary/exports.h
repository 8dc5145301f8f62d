/* The plug-in's ABI: the four exported functions and the host's completion
 * callback. Plain C, so that a host written in C can include it as it is.
 *
 * Conventions
 *   - 32-bit Windows (i686). Every function here and the callback use the
 *     stdcall convention; every argument and result is 32 bits wide. The
 *     exports are undecorated, with the ordinals 1 XchgData, 2 AddMenu,
 *     3 PrmDLL, 4 AdrRetour.
 *   - Threads: every call comes from the host's user-interface thread, which
 *     is also the thread of every dialog and of every callback. Nothing is
 *     locked; no call may come from another thread.
 *   - Texts are zero-terminated Windows-1252. The texts the plug-in returns
 *     are its own constants: valid while the library stays loaded, never
 *     freed by the host.
 *   - Memory: before loading the library, the host creates the shared
 *     allocator record (one page just below the highest application address,
 *     with the allocator's entry points); host and plug-in then allocate,
 *     grow and free every pixel array through that one allocator.
 *
 * Pixel arrays
 *   A pixel array is passed as its handle: the address of its first pixel,
 *   or null for an empty array. The 32-bit reference count sits at
 *   handle - 8, the element count at handle - 4, then the pixels: 3 bytes
 *   each (blue, green, red), row after row, top row first, no padding. An
 *   image of W x H is element y * W + x. Whoever drops the count to 0 frees
 *   the block.
 *
 * A host's session
 *   1. PrmDLL: the display name, the version and the menu's caption.
 *   2. AddMenu(0), then AddMenu(1..n): the menu's items.
 *   3. AdrRetour: the completion callback, before the first XchgData.
 *   4. XchgData for each menu item the user picks; the tool answers through
 *      the callback.
 */
#ifndef MOLVANE_EXPORTS_H
#define MOLVANE_EXPORTS_H

#include <stdint.h>

#if defined(__i386__)
#define MOLVANE_STDCALL __attribute__((stdcall))
#else
#define MOLVANE_STDCALL
#endif

#ifdef __cplusplus
#include "colour/pixel.h"
typedef molvane::Pixel24 MolvanePixel;
extern "C" {
#else
/* One pixel of a 24-bit bitmap row. */
typedef struct MolvanePixel {
  uint8_t b;
  uint8_t g;
  uint8_t r;
} MolvanePixel;
#endif

/* The menu's tools: XchgData's ToolNumber and AddMenu's *Index. */
enum MolvaneTool {
  MOLVANE_TOOL_COMPARISON = 1,      /* two images; delivers the gap image */
  MOLVANE_TOOL_NOISE_REDUCTION = 2, /* computes inside the call, no dialog */
  MOLVANE_TOOL_MATRIX_FILTER = 3,   /* modal dialog */
  MOLVANE_TOOL_BACKGROUND = 4,      /* clicks on the image */
  MOLVANE_TOOL_VIGNETTING = 5,      /* clicks on the image */
  MOLVANE_TOOL_THRESHOLD = 6,       /* modal dialog */
  MOLVANE_TOOL_MERGE = 7,           /* two images; delivers the merged image */
  MOLVANE_TOOL_GRADIENT = 8,        /* modal dialog */
  MOLVANE_TOOL_COUNT = 8
};

/* XchgData's CallPhase. */
enum MolvaneCallPhase {
  MOLVANE_PHASE_OPEN = 0,    /* opens the tool on Pixels */
  MOLVANE_PHASE_CONTINUE = 1 /* a second image, or a click, for an open tool */
};

/* HostCallback's ActionCode. */
enum MolvaneActionCode {
  MOLVANE_ACTION_NONE = 0,       /* ActionData says more (MolvaneActionData) */
  MOLVANE_ACTION_ASK_CLICKS = 1, /* send the user's clicks on the image */
  MOLVANE_ACTION_NEW_IMAGE = 3   /* ActionData is a new image, or null */
};

/* HostCallback's ActionData with MOLVANE_ACTION_NONE. */
enum MolvaneActionData {
  MOLVANE_DATA_NONE = 0,
  MOLVANE_DATA_ASK_SECOND_IMAGE = 2,   /* send the next image the user clicks */
  MOLVANE_DATA_FILTER_NOT_IN_IMAGE = 3 /* tool 3's end: the image does not hold the filter's result */
};

/* The host's completion function, registered by AdrRetour; called during the
 * plug-in's own calls or from its dialogs, synchronously: the plug-in goes on
 * once it returns. W x H is the image the tool was opened on (tools 1 and 7:
 * the first image). Reserved1 and Reserved2 are always 0; only the low byte
 * of Applied is defined.
 *
 *   ActionCode ActionData Applied Finished  what it says
 *   0          2          0       0         tools 1, 7 opening: let the user
 *                                           click a second image and send it
 *                                           as a phase-1 XchgData call
 *   1          0          0       0         tools 4, 5 opening: send the user's
 *                                           clicks on this image as phase-1
 *                                           XchgData calls
 *   0          0          1       0         tools 3 ("Visualiser" with 0), 4, 5:
 *                                           the image changed (or, Applied 0,
 *                                           was put back); the run goes on
 *   0          0 or 3     0 or 1  1         the run is over; Applied 1 keeps
 *                                           the change. ActionData 3 (tool 3
 *                                           only): the image does not hold the
 *                                           filter's result
 *   3          an array   1       1         tools 1, 7: a new W x H image (null
 *                                           when there is none). The plug-in
 *                                           releases its reference when the
 *                                           call returns: the host takes its
 *                                           own during the call
 *   0          0          0       1         the image was refused (a null
 *                                           array, or one shorter than W x H,
 *                                           or a negative side): nothing
 *                                           written, no dialog */
typedef void(MOLVANE_STDCALL* HostCallback)(int32_t UserValue, int32_t Width, int32_t Height,
                                            int32_t Reserved1, int32_t Reserved2,
                                            int32_t ActionCode, intptr_t ActionData,
                                            int32_t Applied, int32_t Finished);

/* Runs tool ToolNumber (1..8, the menu's items). Arguments 2, 3, 9 and 13
 * are ignored. The call holds one reference on Pixels and on Pixels2 while
 * it runs; a tool that keeps an array takes its own reference.
 *
 *   CallPhase 0 (any phase for tools 2, 3, 6 and 8) opens the tool on
 *   Pixels, an ImageWidth x ImageHeight image; ImageName (tools 1 and 7) is
 *   its name as the host shows it, read during the call only.
 *     tool 2         filters the image and reports before returning
 *     tools 3, 6, 8  show a modal dialog; the call returns once it has
 *                    closed and the final callback has been made
 *     tools 1, 7     call back for a second image, show their dialog and
 *                    return; the first image is kept until the result
 *     tools 4, 5     call back for clicks, show their dialog and return;
 *                    the image is kept and written into until the next
 *                    opening of the same tool
 *
 *   CallPhase 1 continues an open tool (1, 4, 5, 7); ignored once its dialog
 *   has closed, held until it shows when sent from the opening's callback.
 *     tools 1, 7     Pixels is the second image, ImageWidth x ImageHeight
 *                    its size, ImageName its name
 *     tool 4         PointX, PointY the pixel clicked; Pixels the pixels
 *                    around it (5 x 5, cut at the edges) whose mean may set
 *                    a background colour; Pixels2 the whole image
 *     tool 5         PointX, PointY the pixel clicked; Pixels2 the image
 *
 * Other phases of tools 1, 4, 5, 7 and other tool numbers only clear the
 * apply flag. Results reach the host only through its callback. */
void MOLVANE_STDCALL XchgData(int32_t ToolNumber, int32_t Ignored2, int32_t Ignored3,
                              int32_t PointX, int32_t PointY, int32_t ImageWidth,
                              int32_t ImageHeight, int32_t CallPhase, int32_t Ignored9,
                              MolvanePixel* Pixels, MolvanePixel* Pixels2,
                              const char* ImageName, int32_t Ignored13);

/* *Index 0: writes the item count (8) into *Index and returns the menu
 * caption "Divers"; the system cursors the tools show are loaded then, as
 * the host starts, not at the first computation. *Index 1..8: returns that
 * tool's caption, *Index unchanged. Anything else: an empty text. */
const char* MOLVANE_STDCALL AddMenu(int32_t* Index);

/* Writes the major and minor version read back from the library's own version
 * resource (0 and 0 if it cannot be read) and the menu caption "Divers";
 * returns the display name. Null addresses are skipped. */
const char* MOLVANE_STDCALL PrmDLL(int32_t* Major, int32_t* Minor, const char** MenuCaption);

/* Registers the host's callback and the value handed back as its first
 * argument, replacing any earlier registration. A host that registers none
 * (or null) hears nothing. Opens no window. */
void MOLVANE_STDCALL AdrRetour(HostCallback Callback, int32_t UserValue);

#ifdef __cplusplus
}  /* extern "C" */
#endif

#endif /* MOLVANE_EXPORTS_H */
