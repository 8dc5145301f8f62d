// The write on its own thread, the caller's messages dispatched until it ends.
#include "host/viewer/background_write.h"

#include <new>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "host/viewer/wide_save.h"

namespace molvane::viewer {
namespace {

struct Write {
  const host::Bitmap24& image;
  const std::wstring& path;
  int jpegQuality;
  std::string error;
  bool written = false;
};

void WriteNow(Write& write) {
  try {
    write.written = WriteImageFileAnywhere(write.path, write.image, write.error, write.jpegQuality);
  } catch (const std::bad_alloc&) {
    write.error = "La mémoire manque pour écrire cette image.";
  } catch (...) {
    write.error = "L'écriture du fichier a échoué.";
  }
}

DWORD WINAPI WriteOnThread(void* parameter) {
  WriteNow(*static_cast<Write*>(parameter));
  return 0;
}

}  // namespace

bool WriteImageFileWhileResponsive(const host::Bitmap24& image, const std::wstring& path, int jpegQuality,
                                   std::string& error) {
  Write write{image, path, jpegQuality, std::string(), false};
  HANDLE thread = CreateThread(nullptr, 0, WriteOnThread, &write, 0, nullptr);
  if (!thread) {
    WriteNow(write);  // no thread to spare: written here, the windows wait
  } else {
    bool quit = false;
    WPARAM exitCode = 0;
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
      MSG message;
      while (!quit && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
          quit = true;
          exitCode = message.wParam;
          break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
      }
      if (quit) break;
    }
    // After a quit (or a failed wait) only the write's end is awaited: it holds `write`.
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    if (quit) PostQuitMessage(int(exitCode));
  }
  error = write.error;
  return write.written;
}

}  // namespace molvane::viewer
