// The counter every module guards its initialisation and finalisation with.
#pragma once

#include <memory>

namespace molvane {

// Initialisation runs on the first request only and finalisation when the
// last request is undone, so running either twice has no further effect.
class ModuleGuard {
 public:
  // True when this is the first request: the caller initialises.
  bool Enter() { return count_++ == 0; }
  // True when this undoes the last request: the caller finalises.
  bool Leave() { return count_ > 0 && --count_ == 0; }

 private:
  int count_ = 0;
};

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
