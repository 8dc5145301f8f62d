// The before / after key and button, and the image before the last change.
#include "host/viewer/before_after.h"

#include "host/viewer/image_view.h"

namespace molvane::viewer {
namespace {

// One watcher at a time per thread; a newer one hides the older until it goes.
BeforeAfterKeys* current = nullptr;

}  // namespace

BeforeAfterKeys::BeforeAfterKeys(Listener held) : held_(std::move(held)), previous_(current) {
  hook_ = SetWindowsHookExA(WH_GETMESSAGE, &BeforeAfterKeys::Hook, nullptr, GetCurrentThreadId());
  current = this;
}

BeforeAfterKeys::~BeforeAfterKeys() {
  if (hook_) UnhookWindowsHookEx(hook_);
  if (current == this) current = previous_;
}

void BeforeAfterKeys::ComeFirst() {
  if (hook_) UnhookWindowsHookEx(hook_);
  hook_ = SetWindowsHookExA(WH_GETMESSAGE, &BeforeAfterKeys::Hook, nullptr, GetCurrentThreadId());
}

bool BeforeAfterKeys::Take(MSG& message) {
  // The key as its scan code and extended bit: the release carries the same.
  const unsigned key = unsigned(message.lParam >> 16) & 0x1FF;
  switch (message.message) {
    case WM_CHAR:
      if (message.wParam != '<') return false;
      // The key repeats while held: only its first character counts.
      if (!keyHeld_) {
        keyHeld_ = true;
        keyScan_ = key;
        held_(message.hwnd, true);
      }
      return true;
    case WM_KEYUP:
      if (!keyHeld_ || key != keyScan_) return false;
      keyHeld_ = false;
      held_(message.hwnd, false);
      return true;
    case WM_MBUTTONDOWN:
      if (!ImageView::From(message.hwnd)) return false;
      buttonOn_ = message.hwnd;
      // The release comes to us wherever the pointer then is.
      SetCapture(message.hwnd);
      held_(message.hwnd, true);
      return true;
    case WM_MBUTTONUP:
      if (!buttonOn_) return false;
      if (GetCapture() == buttonOn_) ReleaseCapture();
      buttonOn_ = nullptr;
      held_(message.hwnd, false);
      return true;
    default:
      return false;
  }
}

LRESULT CALLBACK BeforeAfterKeys::Hook(int code, WPARAM removal, LPARAM message) {
  BeforeAfterKeys* keys = current;
  if (code == HC_ACTION && removal == PM_REMOVE && keys) {
    MSG& taken = *reinterpret_cast<MSG*>(message);
    // Nothing may be thrown into the system's code.
    try {
      if (keys->Take(taken)) taken.message = WM_NULL;
    } catch (...) {
    }
  }
  return CallNextHookEx(nullptr, code, removal, message);
}

bool ImageBefore(const ImageDocument& document, const std::vector<Pixel24>* beforeRun, host::Bitmap24& image,
                 PixelRect& now) {
  if (beforeRun && beforeRun->size() == size_t(document.Width()) * size_t(document.Height())) {
    image = host::Bitmap24{document.Width(), document.Height(), *beforeRun};
    now = PixelRect{0, 0, document.Width(), document.Height()};
    return true;
  }
  return document.Previous(image, now);
}

std::string BeforeAfterText(bool before, bool anything, bool duringRun) {
  if (!anything) return "Rien à comparer : l'image n'a pas encore été modifiée.";
  if (!before) return "Après : l'image telle qu'elle est.";
  return duringRun ? "Avant : l'image avant l'outil ouvert." : "Avant : l'image avant la dernière modification.";
}

}  // namespace molvane::viewer
