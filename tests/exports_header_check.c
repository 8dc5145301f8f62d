/* The exports header as a host written in C includes it: it must compile as
 * C, with the shapes the ABI fixes. A failure here fails the build. */
#include "boundary/exports.h"

_Static_assert(sizeof(MolvanePixel) == 3, "a pixel is three packed bytes");

/* Every export and the callback, as a C host declares pointers to them. */
static void MOLVANE_STDCALL Callback(int32_t userValue, int32_t width, int32_t height,
                                     int32_t reserved1, int32_t reserved2, int32_t actionCode,
                                     intptr_t actionData, int32_t applied, int32_t finished) {
  (void)userValue, (void)width, (void)height, (void)reserved1, (void)reserved2;
  (void)actionCode, (void)actionData, (void)applied, (void)finished;
}

HostCallback molvane_c_host_callback = Callback;
void(MOLVANE_STDCALL* molvane_c_xchg_data)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                           int32_t, int32_t, int32_t, MolvanePixel*,
                                           MolvanePixel*, const char*, int32_t) = XchgData;
const char*(MOLVANE_STDCALL* molvane_c_add_menu)(int32_t*) = AddMenu;
const char*(MOLVANE_STDCALL* molvane_c_prm_dll)(int32_t*, int32_t*, const char**) = PrmDLL;
void(MOLVANE_STDCALL* molvane_c_adr_retour)(HostCallback, int32_t) = AdrRetour;
