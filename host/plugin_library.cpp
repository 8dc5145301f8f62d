// Loading the plug-in library and finding its four exports.
#include "host/plugin_library.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "platform/path_names.h"

namespace molvane::host {
namespace {

template <typename Fn>
Fn ProcAs(FARPROC proc) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

template <typename Lookup>
PluginExports Resolve(void* module, Lookup lookup) {
  PluginExports exports;
  if (!module) return exports;
  HMODULE handle = static_cast<HMODULE>(module);
  exports.XchgData = ProcAs<XchgDataFn>(lookup(handle, "XchgData", kXchgDataOrdinal));
  exports.AddMenu = ProcAs<AddMenuFn>(lookup(handle, "AddMenu", kAddMenuOrdinal));
  exports.PrmDLL = ProcAs<PrmDLLFn>(lookup(handle, "PrmDLL", kPrmDLLOrdinal));
  exports.AdrRetour = ProcAs<AdrRetourFn>(lookup(handle, "AdrRetour", kAdrRetourOrdinal));
  return exports;
}

}  // namespace

bool PluginLibrary::Load(const std::string& path, std::string& error) {
  Unload();
  module_ = LoadLibraryA(path.c_str());
  if (module_) return true;
  error = "LoadLibrary(\"" + path + "\") failed, error " + std::to_string(GetLastError());
  return false;
}

void PluginLibrary::Unload() {
  if (module_) FreeLibrary(static_cast<HMODULE>(module_));
  module_ = nullptr;
}

PluginExports PluginLibrary::ByName() const {
  return Resolve(module_, [](HMODULE m, const char* name, int) { return GetProcAddress(m, name); });
}

PluginExports PluginLibrary::ByOrdinal() const {
  return Resolve(module_, [](HMODULE m, const char*, int ordinal) {
    return GetProcAddress(m, MAKEINTRESOURCEA(ordinal));
  });
}

std::string ModuleFolder(const void* address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCSTR>(address), &module))
    return std::string();
  char name[MAX_PATH];
  const DWORD length = GetModuleFileNameA(module, name, sizeof name);
  if (length == 0 || length >= sizeof name) return std::string();
  return FolderOf(std::string(name, length));
}

}  // namespace molvane::host
