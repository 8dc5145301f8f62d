// A tool's one dialog, made when its module starts and destroyed when it ends, and its row of the tool table.
#pragma once

#include <cstdint>
#include <memory>
#include <type_traits>

#include "boundary/image_run.h"
#include "boundary/module_guard.h"
#include "boundary/tool_table.h"
#include "dialog_kit/on_top_dialog.h"

namespace molvane {

// The one instance of a tool's dialog: created hidden when its module
// initialises, destroyed when it finalises; the dispatch's phase 0 opens it,
// phase 1 continues it.
template <typename Dialog>
class DialogModule {
 public:
  static void Initialize() {
    if (guard_.Enter()) instance_ = std::make_unique<Dialog>();
  }
  static void Finalize() {
    if (guard_.Leave()) instance_.reset();
  }
  static Dialog& Instance() { return *instance_; }
  static void Open(const ImageRun& run) { Instance().Open(run); }
  static void Continue(const PhaseOneCall& call) { Instance().Continue(call); }

 private:
  inline static ModuleGuard guard_;
  inline static std::unique_ptr<Dialog> instance_;
};

template <typename Dialog>
Dialog& TheDialog() {
  return DialogModule<Dialog>::Instance();
}

// The tool table's row of a dialog tool. Its kind says whether it takes
// phase-1 calls: the dialogs left on top while the host goes on do.
template <typename Dialog>
constexpr ToolEntry DialogTool(int32_t number, const char* caption, bool needsPixels = false) {
  void (*proceed)(const PhaseOneCall&) = nullptr;
  if constexpr (std::is_base_of_v<OnTopDialog, Dialog>) proceed = &DialogModule<Dialog>::Continue;
  return ToolEntry{number,
                   caption,
                   needsPixels,
                   &DialogModule<Dialog>::Initialize,
                   &DialogModule<Dialog>::Finalize,
                   &DialogModule<Dialog>::Open,
                   proceed};
}

}  // namespace molvane
