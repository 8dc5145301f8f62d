// One run of a tool on the host's image, and a phase-1 call to it, as the dispatch hands them over.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "boundary/image_size.h"
#include "boundary/pixel_array.h"
#include "platform/background_copy.h"

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
  ImageRun(const ImageRun&) = default;
  ImageRun& operator=(const ImageRun&) = default;
  // A copy still being made lands before its block goes.
  ~ImageRun() { FinishCopy(); }

  const TPtsImg& HostImage() const { return host_; }
  ImageSize Size() const { return size_; }
  int32_t Width() const { return size_.width; }
  int32_t Height() const { return size_.height; }
  const char* Name() const { return name_.c_str(); }
  // Both sides positive and the host's buffer holding that many pixels.
  bool HoldsImage() const { return molvane::HoldsImage(host_, size_); }

  // The private copy: the host's whole array as it was when taken, made on
  // a thread of its own while the caller builds its dialog; WorkCopy and
  // everything else that reads the copy wait for it. The host's array must
  // not change meanwhile (the host is inside its call or its callback).
  void StartCopyOfHostImage();
  const TPtsImg& WorkCopy() const {
    FinishCopy();
    return copy_;
  }
  void ReleaseCopy() {
    FinishCopy();
    copy_.Reset();
  }
  // Returns once a copy made aside is complete: no thread of it runs after.
  void FinishCopy() const;
  // Writes the copy back into the host's buffer, as far as both reach.
  void RestoreHostImage() const;
  // Another buffer of the host's becomes the one written into.
  void ReplaceHostImage(const TPtsImg& image) { host_ = image; }

 private:
  TPtsImg host_;
  ImageSize size_{0, 0};
  std::string name_;
  // Before the copy, so that an assignment waits for a copy in flight
  // before it lets that copy's block go. Shared by the run's copies, each
  // of which waits for it.
  mutable std::shared_ptr<BackgroundCopy> pending_;
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
