// The operating-system services the boundary needs, behind one interface (Win32 or a fake).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace molvane {

class Platform {
 public:
  struct SystemInfo {
    uint32_t pageSize;
    uintptr_t maximumApplicationAddress;
  };

  virtual ~Platform() = default;

  virtual SystemInfo GetSystemInfo() = 0;
  // Reserves and commits one read-write region of `size` bytes at `address`;
  // returns the address the system chose, 0 on failure.
  virtual uintptr_t AllocatePage(uintptr_t address, uint32_t size) = 0;
  // True when `size` bytes at `address` are committed and readable.
  virtual bool IsReadable(uintptr_t address, uint32_t size) = 0;
  // The bytes at `address` in this process (the identity on a real system).
  virtual void* At(uintptr_t address) = 0;
  virtual void DecommitPage(uintptr_t address, uint32_t size) = 0;
  virtual void ReleasePage(uintptr_t address) = 0;
  virtual uint32_t CurrentProcessId() = 0;
  // A plain message box, no owner window, one OK button.
  virtual void ShowMessage(const char* text, const char* caption) = 0;
  virtual void TerminateCurrentProcess(uint32_t exitCode) = 0;
  // The full file name of the module holding this code: the plug-in library in
  // Molvane.dll, the executable in a host program ("" when unknown).
  virtual std::string ModuleFileName() = 0;
  // The full file name of the process's executable, the host program ("" when unknown).
  virtual std::string ExecutableFileName() = 0;
  // The whole version resource of a file; empty when it has none or cannot be read.
  virtual std::vector<uint8_t> FileVersionInfo(const std::string& fileName) = 0;
};

// The platform this build links: the real system in the DLL, a fake in native tests.
Platform& SystemPlatform();

}  // namespace molvane
