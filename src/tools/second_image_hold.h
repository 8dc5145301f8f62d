// A second image sent while its two-image tool is still opening.
#pragma once

#include <optional>
#include <string>

#include "boundary/host_protocol.h"
#include "boundary/pixel_array.h"

namespace molvane {

// Tools 1 and 7 ask the host for a second image before their dialog shows.
// A host may answer at once, from inside that callback: the image is held
// until the dialog is on screen, then taken as any later one would be.
class SecondImageHold {
 public:
  struct Image {
    TPtsImg pixels;
    ImageSize size{0, 0};
    std::string name;  // the host's text lives only as long as its call
  };

  // From here until End, images sent are held (the last one wins).
  void Begin() {
    opening_ = true;
    held_.reset();
  }
  bool Opening() const { return opening_; }
  void Hold(const TPtsImg& pixels, ImageSize size, const char* name) {
    held_ = Image{pixels, size, name ? name : ""};
  }
  // The opening is over: what was held, if anything, to be taken now.
  std::optional<Image> End() {
    opening_ = false;
    std::optional<Image> image = std::move(held_);
    held_.reset();
    return image;
  }

 private:
  bool opening_ = false;
  std::optional<Image> held_;
};

}  // namespace molvane
