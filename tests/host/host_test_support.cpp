// The plug-in as loaded once for all tests, the host's allocator, and image helpers.
#include "host_test_support.h"

#include <algorithm>
#include <cstring>
#include <ostream>

#include <gtest/gtest.h>
#include <windows.h>

#include "host_tests_entry.h"
#include "platform/path_names.h"

namespace molvane::hosttest {
namespace {

host::PluginLibrary& Library() {
  static host::PluginLibrary library;
  return library;
}

host::PluginExports& LoadedExports() {
  static host::PluginExports exports;
  return exports;
}

void Load() {
  std::string error;
  if (!Library().Load(PluginPath(), error)) {
    LoadedExports() = host::PluginExports{};
    ADD_FAILURE() << error;
    return;
  }
  LoadedExports() = Library().ByName();
}

int cancelled = 0;
int closeRequests = 0;
// Dialogs clicked once already: if one is still up at the next tick, its
// button did not close it, and a close request follows.
std::vector<HWND> clicked;

BOOL CALLBACK FindCancelButton(HWND child, LPARAM found) {
  char caption[16] = {};
  GetWindowTextA(child, caption, sizeof caption);
  if (std::strcmp(caption, "Annuler") != 0 || !IsWindowVisible(child)) return TRUE;
  *reinterpret_cast<HWND*>(found) = child;
  return FALSE;
}

BOOL CALLBACK CloseWindow(HWND window, LPARAM) {
  if (!IsWindowVisible(window)) return TRUE;
  HWND cancel = nullptr;
  EnumChildWindows(window, FindCancelButton, reinterpret_cast<LPARAM>(&cancel));
  const bool clickedBefore = std::find(clicked.begin(), clicked.end(), window) != clicked.end();
  if (cancel && !clickedBefore) {
    clicked.push_back(window);
    PostMessageA(cancel, BM_CLICK, 0, 0);
    ++cancelled;
  } else {
    PostMessageA(window, WM_CLOSE, 0, 0);
    ++closeRequests;
  }
  return TRUE;
}

void CALLBACK CloseOpenWindows(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), CloseWindow, 0);
}

}  // namespace

const host::AllocatorProbe& HostAllocator() { return *LauncherAllocator(); }

host::PluginLibrary& Plugin() {
  if (!Library().Loaded()) Load();
  return Library();
}

const host::PluginExports& Exports() {
  Plugin();
  return LoadedExports();
}

std::string PluginPath() { return host::ModuleFolder(reinterpret_cast<const void*>(&Load)) + "Molvane.dll"; }

void ReloadPlugin() {
  Library().Unload();
  // Whatever else holds the library (nothing should) would keep its state.
  ASSERT_EQ(GetModuleHandleA(PluginPath().c_str()), nullptr) << "Molvane.dll is still loaded";
  Load();
}

std::string DataFile(const std::string& name) { return InFolder(DataFolderArgument(), name); }

std::string TemporaryPath(const std::string& name) {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  return InFolder(folder, name);
}

uint16_t FpuControlWord() {
  uint16_t word;
  __asm__ __volatile__("fnstcw %0" : "=m"(word));
  return word;
}

void SetFpuControlWord(uint16_t word) { __asm__ __volatile__("fldcw %0" : : "m"(word)); }

TPtsImg FilledImage(int32_t width, int32_t height, Pixel24 colour) {
  return MakeImage(std::vector<Pixel24>(size_t(width) * size_t(height), colour));
}

void RunTool(int32_t tool, int32_t phase, const TPtsImg& pixels, int32_t width, int32_t height,
             const TPtsImg& pixels2, const char* name) {
  const host::PluginExports& exports = Exports();
  ASSERT_NE(exports.XchgData, nullptr);
  exports.XchgData(tool, 0, 0, 0, 0, width, height, phase, 0, pixels.Handle(), pixels2.Handle(),
                   name, 0);
}

host::CallbackRecorder& FreshRecorder(int32_t userValue, int slot) {
  host::CallbackRecorder& recorder = host::CallbackRecorder::Instance();
  recorder.Clear();
  recorder.DuringCall(nullptr);
  if (Exports().AdrRetour) Exports().AdrRetour(recorder.Callback(slot), userValue);
  return recorder;
}

WindowCloser::WindowCloser() : timer_(SetTimer(nullptr, 0, 100, CloseOpenWindows)) { clicked.clear(); }

WindowCloser::~WindowCloser() {
  KillTimer(nullptr, timer_);
  clicked.clear();
  CloseOpenWindows(nullptr, 0, 0, 0);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

int WindowCloser::Cancelled() { return cancelled; }
int WindowCloser::CloseRequests() { return closeRequests; }

}  // namespace molvane::hosttest

namespace molvane {

bool operator==(const Pixel24& a, const Pixel24& b) { return a.b == b.b && a.g == b.g && a.r == b.r; }

std::ostream& operator<<(std::ostream& out, const Pixel24& p) {
  return out << "(r " << int(p.r) << ", g " << int(p.g) << ", b " << int(p.b) << ")";
}

}  // namespace molvane
