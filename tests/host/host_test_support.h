// What every test of the real plug-in shares: the loaded library, the host's allocator, images.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "boundary/pixel_array.h"
#include "host/bmp.h"
#include "host/callback_recorder.h"
#include "host/counting_allocator.h"
#include "host/plugin_library.h"
#include "test_images.h"

namespace molvane::hosttest {

// The launcher's counting allocator, the one the shared record publishes.
const host::AllocatorProbe& HostAllocator();

// Molvane.dll from the folder of this test library, loaded on first use and
// kept loaded until the tests end (or a test reloads it).
host::PluginLibrary& Plugin();
const host::PluginExports& Exports();
std::string PluginPath();
// Unloads the plug-in completely and loads it again: module state as in a
// freshly started host.
void ReloadPlugin();

// A file of the project's data folder (--data-dir=...).
std::string DataFile(const std::string& name);
// `name` in the system's temporary folder.
std::string TemporaryPath(const std::string& name);

// The x87 control word.
uint16_t FpuControlWord();
void SetFpuControlWord(uint16_t word);

// The test images the native tests use (test_images.h), the arrays in the shared allocator.
using testing::MakeImage;
using testing::PixelsOf;
using testing::RandomPixels;
TPtsImg FilledImage(int32_t width, int32_t height, Pixel24 colour);

// The bytes placed so that the last one sits just before an inaccessible
// page: reading past the end faults instead of passing unnoticed.
class GuardedBytes {
 public:
  explicit GuardedBytes(const std::vector<uint8_t>& bytes);
  ~GuardedBytes();
  GuardedBytes(const GuardedBytes&) = delete;
  GuardedBytes& operator=(const GuardedBytes&) = delete;

  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  uint8_t* base_ = nullptr;
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

// A folder of that name in the temporary folder, made if need be, with its
// path's last separator.
std::string TemporaryFolder(const std::string& name);
// A file's whole content (empty when it cannot be read), and a new content for it.
std::vector<uint8_t> BytesOf(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// A program of this build's bin folder run to its end in `folder`, its two
// output streams in one text; given up (and ended) past `patienceMs`.
struct ProgramRun {
  bool ended = false;
  unsigned long exitCode = 0;
  std::string output;
};
ProgramRun RunProgram(const std::string& program, const std::string& arguments, const std::string& folder,
                      unsigned long patienceMs);

// XchgData with the host's usual arguments (ignored ones zero, no second image).
void RunTool(int32_t tool, int32_t phase, const TPtsImg& pixels, int32_t width, int32_t height,
             const TPtsImg& pixels2 = TPtsImg(), const char* name = "image");

// The recorder, cleared and registered with AdrRetour(slot, userValue).
host::CallbackRecorder& FreshRecorder(int32_t userValue, int slot = 0);

// While alive, closes every window of this thread that a call opens (a
// tool's dialog, modal or not) the way a user would: a click on its
// "Annuler" button, or a close request when it has none. Runs from a thread
// timer, which a modal dialog's own message loop dispatches; what is still
// open when the closer goes is closed then. Keeps a test that opens a dialog
// from waiting for a user.
class WindowCloser {
 public:
  WindowCloser();
  ~WindowCloser();
  WindowCloser(const WindowCloser&) = delete;
  WindowCloser& operator=(const WindowCloser&) = delete;
  // Dialogs closed so far, by their "Annuler" button or by a close request.
  static int Cancelled();
  static int CloseRequests();

 private:
  uintptr_t timer_;
};

}  // namespace molvane::hosttest

namespace molvane {
bool operator==(const Pixel24& a, const Pixel24& b);
std::ostream& operator<<(std::ostream& out, const Pixel24& p);
}  // namespace molvane
