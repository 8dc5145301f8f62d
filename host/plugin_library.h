// Loading the plug-in library and finding its four exports.
#pragma once

#include <string>

#include "boundary/exports.h"

namespace molvane::host {

using XchgDataFn = decltype(&::XchgData);
using AddMenuFn = decltype(&::AddMenu);
using PrmDLLFn = decltype(&::PrmDLL);
using AdrRetourFn = decltype(&::AdrRetour);

// Ordinals fixed by the ABI.
enum ExportOrdinal { kXchgDataOrdinal = 1, kAddMenuOrdinal = 2, kPrmDLLOrdinal = 3, kAdrRetourOrdinal = 4 };

struct PluginExports {
  XchgDataFn XchgData = nullptr;
  AddMenuFn AddMenu = nullptr;
  PrmDLLFn PrmDLL = nullptr;
  AdrRetourFn AdrRetour = nullptr;

  bool Complete() const { return XchgData && AddMenu && PrmDLL && AdrRetour; }
  bool operator==(const PluginExports& other) const {
    return XchgData == other.XchgData && AddMenu == other.AddMenu && PrmDLL == other.PrmDLL &&
           AdrRetour == other.AdrRetour;
  }
};

// One LoadLibraryA of the plug-in, undone by Unload or the destructor. The
// caller must have created the shared allocator record before loading.
class PluginLibrary {
 public:
  PluginLibrary() = default;
  ~PluginLibrary() { Unload(); }
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  // False with a message (the system's error code included) when the library
  // does not load.
  bool Load(const std::string& path, std::string& error);
  void Unload();
  bool Loaded() const { return module_ != nullptr; }
  void* Module() const { return module_; }

  // The exports looked up by name, and by ordinal 1..4; missing ones are null.
  PluginExports ByName() const;
  PluginExports ByOrdinal() const;

 private:
  void* module_ = nullptr;
};

// The folder of the module holding `address` (an executable or a DLL), with a
// trailing backslash: the plug-in is looked for beside the program using it.
std::string ModuleFolder(const void* address);

}  // namespace molvane::host
