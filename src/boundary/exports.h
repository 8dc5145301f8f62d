// The plug-in's ABI: the four exported functions and the host's completion callback.
//
// Every function here is called by the host on its user-interface thread,
// which is also the thread of every dialog; nothing is locked. All arguments
// and results are 32 bits wide on the 32-bit build, stdcall, undecorated
// names, ordinals 1 XchgData, 2 AddMenu, 3 PrmDLL, 4 AdrRetour.
#pragma once

#include <cstdint>

#include "colour/pixel.h"

#if defined(__i386__)
#define MOLVANE_STDCALL __attribute__((stdcall))
#else
#define MOLVANE_STDCALL
#endif

extern "C" {

// The host's completion function, registered by AdrRetour. Called
// synchronously; the plug-in continues once it returns. With ActionCode 3,
// ActionData is the handle of a new pixel array that the plug-in releases as
// soon as the call returns: the host takes its own reference during the call.
// Only the low byte of Applied is defined.
typedef void(MOLVANE_STDCALL* HostCallback)(int32_t UserValue, int32_t Width, int32_t Height,
                                            int32_t Reserved1, int32_t Reserved2,
                                            int32_t ActionCode, intptr_t ActionData,
                                            int32_t Applied, int32_t Finished);

// Runs tool ToolNumber (1..8) on the image Pixels of ImageWidth x ImageHeight.
// CallPhase 0 opens a tool, 1 continues an open one (tools 1, 4, 5, 7). Holds
// a reference on Pixels and Pixels2 for the duration of the call; a modal
// tool's dialog has closed by the time it returns. Results reach the host only
// through its callback. Out-of-range tools and phases only clear the apply flag.
void MOLVANE_STDCALL XchgData(int32_t ToolNumber, int32_t Ignored2, int32_t Ignored3,
                              int32_t PointX, int32_t PointY, int32_t ImageWidth,
                              int32_t ImageHeight, int32_t CallPhase, int32_t Ignored9,
                              molvane::Pixel24* Pixels, molvane::Pixel24* Pixels2,
                              const char* ImageName, int32_t Ignored13);

// Index 0: writes the item count (8) into *Index and returns the menu caption
// "Divers". Index 1..8: returns that tool's caption, *Index unchanged. The
// texts are the library's constants, valid while it stays loaded.
const char* MOLVANE_STDCALL AddMenu(int32_t* Index);

// Writes the major and minor version read back from the library's own version
// resource (0 and 0 if it cannot be read) and the menu caption "Divers";
// returns the display name. All texts are the library's constants.
const char* MOLVANE_STDCALL PrmDLL(int32_t* Major, int32_t* Minor, const char** MenuCaption);

// Registers the host's callback and the value handed back as its first
// argument, replacing any earlier registration. Opens no window.
void MOLVANE_STDCALL AdrRetour(HostCallback Callback, int32_t UserValue);

}  // extern "C"
