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

std::string TemporaryFolder(const std::string& name) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + name + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

std::vector<uint8_t> BytesOf(const std::string& path) {
  std::vector<uint8_t> bytes;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  bytes.resize(GetFileSize(file, nullptr));
  DWORD read = 0;
  if (!bytes.empty()) ReadFile(file, bytes.data(), DWORD(bytes.size()), &read, nullptr);
  CloseHandle(file);
  return bytes;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  if (!bytes.empty()) WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

ProgramRun RunProgram(const std::string& program, const std::string& arguments, const std::string& folder,
                      unsigned long patienceMs) {
  ProgramRun run;
  const std::string path = host::ModuleFolder(reinterpret_cast<const void*>(&RunProgram)) + program;
  std::string commandLine = "\"" + path + "\" " + arguments;
  const std::string log = TemporaryFolder("molvane-programs") + std::to_string(GetCurrentProcessId()) + ".log";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE output = CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = output;
  PROCESS_INFORMATION process{};
  const bool started = CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                      folder.c_str(), &startup, &process);
  CloseHandle(output);
  if (!started) {
    run.output = "could not start " + path + ", error " + std::to_string(GetLastError());
    return run;
  }
  run.ended = WaitForSingleObject(process.hProcess, patienceMs) == WAIT_OBJECT_0;
  if (!run.ended) TerminateProcess(process.hProcess, 99);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  run.exitCode = code;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  const std::vector<uint8_t> printed = BytesOf(log);
  run.output.assign(printed.begin(), printed.end());
  DeleteFileA(log.c_str());
  return run;
}

GuardedBytes::GuardedBytes(const std::vector<uint8_t>& bytes) {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  const size_t page = info.dwPageSize;
  const size_t dataPages = (bytes.size() + page - 1) / page;
  size_ = bytes.size();
  base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, (dataPages + 1) * page, MEM_RESERVE, PAGE_NOACCESS));
  if (dataPages) VirtualAlloc(base_, dataPages * page, MEM_COMMIT, PAGE_READWRITE);
  data_ = base_ + dataPages * page - bytes.size();
  if (!bytes.empty()) std::memcpy(data_, bytes.data(), bytes.size());
}

GuardedBytes::~GuardedBytes() { VirtualFree(base_, 0, MEM_RELEASE); }

std::vector<Pixel24> RandomPixels(int32_t count, uint32_t seed) {
  // xorshift32: fixed, so the bytes do not depend on a library's generator.
  uint32_t state = seed ? seed : 1u;
  std::vector<Pixel24> pixels(static_cast<size_t>(count));
  for (Pixel24& p : pixels) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    p = Pixel24{uint8_t(state), uint8_t(state >> 8), uint8_t(state >> 16)};
  }
  return pixels;
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
