// One open image: pixels, file and undo history.
#include "host/viewer/image_document.h"

#include <cstring>

#include "host/shared_record.h"
#include "host/wide_names.h"
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

bool ImageDocument::Undo() { return history_.Undo(pixels_.Data(), width_, state_); }

bool ImageDocument::Redo() { return history_.Redo(pixels_.Data(), width_, state_); }

std::wstring ImageDocument::DisplayName() const {
  // The viewer's own names ("Image collée") are Windows-1252 text.
  if (path_.empty()) return host::WideFromCodePage(name_, 1252);
  const std::wstring path = host::LongPathOf(path_);
  return path.substr(path.find_last_of(L"\\/") + 1);
}

void ImageDocument::MarkSaved(const std::string& path) {
  path_ = path;
  name_ = FileNameOf(path);
  savedState_ = state_;
}

}  // namespace molvane::viewer
