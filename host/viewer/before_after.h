// Before / after: while the "<" key or the middle button is held, an image shows as it was before its last change.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <functional>
#include <string>

#include "host/bmp.h"
#include "host/viewer/image_document.h"

namespace molvane::viewer {

// Watches every message this thread's loops take (ours and the plug-in's
// dialogs, modal ones included): the key that types "<" (the key beside the
// left Shift on a French keyboard, Shift + comma on an American one), known
// by its character and released with its scan code, and the middle button
// pressed on an image window. Their presses and releases go to `held`; the
// character goes no further, so a dialog's field does not receive it.
class BeforeAfterKeys {
 public:
  // `window`: where the key or button went; `held`: pressed or released.
  using Listener = std::function<void(HWND window, bool held)>;
  explicit BeforeAfterKeys(Listener held);
  ~BeforeAfterKeys();
  BeforeAfterKeys(const BeforeAfterKeys&) = delete;
  BeforeAfterKeys& operator=(const BeforeAfterKeys&) = delete;

  // Puts our watch before any other of the thread's (the plug-in's dialogs
  // watch their keys too, and take what a dialog would): the last one set
  // sees each message first.
  void ComeFirst();

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM removal, LPARAM message);
  bool Take(MSG& message);

  Listener held_;
  HHOOK hook_ = nullptr;
  BeforeAfterKeys* previous_ = nullptr;
  bool keyHeld_ = false;
  unsigned keyScan_ = 0;
  HWND buttonOn_ = nullptr;
};

// The image `document` was before its last change: before the running
// tool opened when `beforeRun` holds those bytes, else before its last undo
// step; `now`: where the image now lies in it. False when there is none.
bool ImageBefore(const ImageDocument& document, const std::vector<Pixel24>* beforeRun, host::Bitmap24& image,
                 PixelRect& now);

// The status bar's words: what is shown, or that there is nothing to compare.
std::string BeforeAfterText(bool before, bool anything, bool duringRun);

}  // namespace molvane::viewer
