// The image's quarter and half turns and mirrors, with their undo steps.
#include "host/viewer/orientation.h"

#include <new>
#include <vector>

namespace molvane::viewer {

bool TurnImage(ImageDocument& document, host::Turn turn, std::string& error) {
  const int32_t width = document.Width(), height = document.Height();
  try {
    if (!host::SwapsSides(turn)) {
      // The image's own array is the target: one copy of it is the step.
      std::vector<Pixel24> before = document.Bytes();
      host::TurnPixels(before.data(), width, height, turn, document.Pixels().Data());
      document.KeepChange(std::move(before));
      return true;
    }
    TPtsImg turned = TPtsImg::Uninitialised(document.Pixels().Length());
    host::TurnPixels(document.Pixels().Data(), width, height, turn, turned.Data());
    document.ReplaceWhole(std::move(turned), height, width);
  } catch (const std::bad_alloc&) {
    error = "La mémoire manque pour tourner cette image de " + std::to_string(width) + " x " +
            std::to_string(height) + " pixels : elle reste comme elle était.";
    return false;
  }
  return true;
}

}  // namespace molvane::viewer
