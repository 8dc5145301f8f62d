// The Platform services on Win32: kernel32 imported, user32 and version.dll found at run time.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "platform/platform.h"

// Host programs link this file too, and a host must create the shared
// allocator record before user32 loads (user32 fills the candidate addresses
// with its own allocations). So nothing here imports user32 or version.dll:
// both are looked up when first needed.

namespace molvane {
namespace {

// GetProcAddress hands back a generic function pointer; going through
// void (*)() keeps the cast to the real signature free of warnings.
template <typename Fn>
Fn ProcAs(FARPROC proc) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

HMODULE SystemLibrary(const char* name) {
  HMODULE module = GetModuleHandleA(name);
  return module ? module : LoadLibraryA(name);
}

bool IsReadableProtection(DWORD protect) {
  if (protect & (PAGE_GUARD | PAGE_NOACCESS)) return false;
  switch (protect & 0xFF) {
    case PAGE_READONLY:
    case PAGE_READWRITE:
    case PAGE_WRITECOPY:
    case PAGE_EXECUTE_READ:
    case PAGE_EXECUTE_READWRITE:
    case PAGE_EXECUTE_WRITECOPY:
      return true;
    default:
      return false;
  }
}

class Win32Platform : public Platform {
 public:
  SystemInfo GetSystemInfo() override {
    SYSTEM_INFO info;
    ::GetSystemInfo(&info);
    return {uint32_t(info.dwPageSize), reinterpret_cast<uintptr_t>(info.lpMaximumApplicationAddress)};
  }

  uintptr_t AllocatePage(uintptr_t address, uint32_t size) override {
    void* page = VirtualAlloc(reinterpret_cast<void*>(address), size, MEM_RESERVE | MEM_COMMIT,
                              PAGE_READWRITE);
    return reinterpret_cast<uintptr_t>(page);
  }

  bool IsReadable(uintptr_t address, uint32_t size) override {
    if (size == 0 || address + size < address) return false;
    MEMORY_BASIC_INFORMATION region;
    if (VirtualQuery(reinterpret_cast<const void*>(address), &region, sizeof region) != sizeof region)
      return false;
    if (region.State != MEM_COMMIT || !IsReadableProtection(region.Protect)) return false;
    const uintptr_t regionEnd = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
    return address + size <= regionEnd;
  }

  void* At(uintptr_t address) override { return reinterpret_cast<void*>(address); }

  void DecommitPage(uintptr_t address, uint32_t size) override {
    VirtualFree(reinterpret_cast<void*>(address), size, MEM_DECOMMIT);
  }

  void ReleasePage(uintptr_t address) override {
    VirtualFree(reinterpret_cast<void*>(address), 0, MEM_RELEASE);
  }

  uint32_t CurrentProcessId() override { return uint32_t(GetCurrentProcessId()); }

  void ShowMessage(const char* text, const char* caption) override {
    using MessageBoxFn = int(WINAPI*)(HWND, LPCSTR, LPCSTR, UINT);
    HMODULE user32 = SystemLibrary("user32.dll");
    if (!user32) return;
    auto messageBox = ProcAs<MessageBoxFn>(GetProcAddress(user32, "MessageBoxA"));
    if (messageBox) messageBox(nullptr, text, caption, MB_OK);
  }

  void TerminateCurrentProcess(uint32_t exitCode) override {
    TerminateProcess(GetCurrentProcess(), exitCode);
  }

  // The module that holds this code: Molvane.dll in the plug-in, the
  // executable in a host program.
  std::string ModuleFileName() override {
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCSTR>(&IsReadableProtection), &self))
      return std::string();
    char name[260];
    const DWORD length = GetModuleFileNameA(self, name, sizeof name);
    if (length == 0 || length >= sizeof name) return std::string();
    return std::string(name, length);
  }

  std::string ExecutableFileName() override {
    char name[260];
    const DWORD length = GetModuleFileNameA(nullptr, name, sizeof name);
    if (length == 0 || length >= sizeof name) return std::string();
    return std::string(name, length);
  }

  std::vector<uint8_t> FileVersionInfo(const std::string& fileName) override {
    using SizeFn = DWORD(WINAPI*)(LPCSTR, LPDWORD);
    using InfoFn = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
    std::vector<uint8_t> resource;
    HMODULE version = LoadLibraryA("version.dll");
    if (!version) return resource;
    auto infoSize = ProcAs<SizeFn>(GetProcAddress(version, "GetFileVersionInfoSizeA"));
    auto info = ProcAs<InfoFn>(GetProcAddress(version, "GetFileVersionInfoA"));
    if (infoSize && info) {
      DWORD handle = 0;
      const DWORD size = infoSize(fileName.c_str(), &handle);
      if (size > 0) {
        resource.resize(size);
        if (!info(fileName.c_str(), 0, size, resource.data())) resource.clear();
      }
    }
    FreeLibrary(version);
    return resource;
  }
};

}  // namespace

Platform& SystemPlatform() {
  static Win32Platform platform;
  return platform;
}

}  // namespace molvane
