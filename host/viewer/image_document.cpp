// One open image: pixels, file and undo history.
#include "host/viewer/image_document.h"

#include <cstring>
#include <new>

#include "host/shared_record.h"
#include "platform/path_names.h"

namespace molvane::viewer {

ImageDocument::ImageDocument(const host::Bitmap24& image, std::string path, std::string name, UndoBudget& budget)
    : width_(image.width), height_(image.height), pixels_(host::ToPixelArray(image)), path_(std::move(path)),
      name_(std::move(name)), history_(budget) {
  if (path_.empty()) savedState_ = 0;
}

std::vector<Pixel24> ImageDocument::Bytes() const {
  return std::vector<Pixel24>(pixels_.Data(), pixels_.Data() + pixels_.Length());
}

host::Bitmap24 ImageDocument::Image() const { return host::FromPixelArray(pixels_, width_, height_); }

void ImageDocument::Restore(const std::vector<Pixel24>& bytes) {
  if (bytes.size() == size_t(pixels_.Length()) && !bytes.empty())
    std::memcpy(pixels_.Data(), bytes.data(), bytes.size() * sizeof(Pixel24));
}

void ImageDocument::KeepChange(std::vector<Pixel24>&& before) {
  if (history_.Keep(std::move(before), pixels_.Data(), width_, height_, state_)) state_ = ++lastState_;
}

TPtsImg ImageDocument::CopyOfPart(const PixelRect& rect) const {
  TPtsImg part = TPtsImg::Uninitialised(int32_t(rect.Area()));
  CopyOut(pixels_.Data(), width_, rect, part.Data());
  return part;
}

void ImageDocument::WritePart(const PixelRect& rect, const TPtsImg& part) {
  if (size_t(part.Length()) == rect.Area() && ClippedTo(rect, width_, height_) == rect && !rect.Empty())
    CopyIn(part.Data(), rect, pixels_.Data(), width_);
}

void ImageDocument::Crop(const PixelRect& rect) {
  if (rect.Empty() || !(ClippedTo(rect, width_, height_) == rect) || rect.Area() == size_t(pixels_.Length())) return;
  TPtsImg kept = CopyOfPart(rect);
  std::vector<Pixel24> before = Bytes();
  if (history_.KeepCrop(std::move(before), width_, height_, rect, state_)) state_ = ++lastState_;
  pixels_ = std::move(kept);
  width_ = rect.width;
  height_ = rect.height;
}

bool ImageDocument::Previous(host::Bitmap24& image, PixelRect& now) const {
  return history_.Previous(pixels_.Data(), width_, height_, image.pixels, image.width, image.height, now);
}

template <typename Move>
bool ImageDocument::ApplyStep(Move move) {
  TPtsImg next;
  int32_t nextWidth = 0, nextHeight = 0;
  const Reshape reshape = [&](int32_t width, int32_t height) -> Pixel24* {
    try {
      next = TPtsImg::Uninitialised(width * height);
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
    nextWidth = width, nextHeight = height;
    return next.Data();
  };
  if (!move(reshape)) return false;
  if (!next.Empty()) {
    pixels_ = std::move(next);
    width_ = nextWidth, height_ = nextHeight;
  }
  return true;
}

bool ImageDocument::Undo() {
  return ApplyStep([this](const Reshape& reshape) { return history_.Undo(pixels_.Data(), width_, state_, reshape); });
}

bool ImageDocument::Redo() {
  return ApplyStep([this](const Reshape& reshape) { return history_.Redo(pixels_.Data(), width_, state_, reshape); });
}

void ImageDocument::MarkSaved(const std::string& path) {
  path_ = path;
  name_ = FileNameOf(path);
  savedState_ = state_;
}

}  // namespace molvane::viewer
