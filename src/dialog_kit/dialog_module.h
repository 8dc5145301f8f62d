// A tool's one dialog, made when its module starts and destroyed when it ends.
#pragma once

#include <memory>

#include "boundary/module_guard.h"

namespace molvane {

// The one instance of a tool's dialog: created hidden when its module
// initialises, destroyed when it finalises.
template <typename Dialog>
class DialogModule {
 public:
  void Initialize() {
    if (guard_.Enter()) instance_ = std::make_unique<Dialog>();
  }
  void Finalize() {
    if (guard_.Leave()) instance_.reset();
  }
  Dialog& Instance() { return *instance_; }

 private:
  ModuleGuard guard_;
  std::unique_ptr<Dialog> instance_;
};

}  // namespace molvane
