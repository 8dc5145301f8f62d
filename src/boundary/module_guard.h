// The counter every module guards its initialisation and finalisation with.
#pragma once

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

}  // namespace molvane
