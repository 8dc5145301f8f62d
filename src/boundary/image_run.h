// One run of a tool on the host's image, and a phase-1 call to it, as the dispatch hands them over.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "boundary/image_size.h"
#include "boundary/pixel_array.h"

namespace molvane {

// From a tool's opening to its end: the host's buffer (one counted
// reference, kept until the tool's next opening), the image's size and name
// as the host gave them, and the private copy the tool computes from and
// restores from (kept until its dialog closes).
class ImageRun {
 public:
  ImageRun() = default;
  // The name is copied: the host's text lives only as long as its call.
  ImageRun(TPtsImg hostImage, ImageSize size, const char* name = nullptr)
      : host_(std::move(hostImage)), size_(size), name_(name ? name : "") {}

  const TPtsImg& HostImage() const { return host_; }
  ImageSize Size() const { return size_; }
  int32_t Width() const { return size_.width; }
  int32_t Height() const { return size_.height; }
  const char* Name() const { return name_.c_str(); }
  // Both sides positive and the host's buffer holding that many pixels.
  bool HoldsImage() const { return molvane::HoldsImage(host_, size_); }

  // The private copy: the host's whole array as it was when taken.
  void CopyHostImage() { copy_ = host_.Copy(); }
  const TPtsImg& WorkCopy() const { return copy_; }
  void ReleaseCopy() { copy_.Reset(); }
  // Writes the copy back into the host's buffer, as far as both reach.
  void RestoreHostImage() const;
  // Another buffer of the host's becomes the one written into.
  void ReplaceHostImage(const TPtsImg& image) { host_ = image; }

 private:
  TPtsImg host_;
  ImageSize size_{0, 0};
  std::string name_;
  TPtsImg copy_;
};

// A phase-1 XchgData call, as the open tool receives it: for tools 1 and 7
// the second image (Pixels, its size and name); for tool 4 the point clicked,
// the 5 x 5 pixels around it (Pixels) and the image (Pixels2); for tool 5 the
// point and the image (Pixels2). Everything lives only during the call.
struct PhaseOneCall {
  ImagePoint point;
  const TPtsImg& pixels;
  const TPtsImg& pixels2;
  ImageSize size;
  const char* imageName;
};

}  // namespace molvane
