// One open image: pixels, file and undo history.
#include "host/viewer/image_document.h"

#include <cstring>
#include <new>
#include <utility>

#include "host/image_files.h"
#include "host/shared_record.h"
#include "host/wide_names.h"
#include "platform/path_names.h"

namespace molvane::viewer {

ImageDocument::ImageDocument(const host::Bitmap24& image, std::string path, std::string name, UndoBudget& budget)
    : ImageDocument(host::ToPixelArray(image), image.width, image.height, std::move(path), std::move(name), budget) {}

ImageDocument::ImageDocument(TPtsImg&& pixels, int32_t width, int32_t height, std::string path, std::string name,
                             UndoBudget& budget)
    : width_(width), height_(height), pixels_(std::move(pixels)), path_(std::move(path)), name_(std::move(name)),
      history_(budget) {
  if (path_.empty()) savedState_ = 0;
}

std::unique_ptr<ImageDocument> ImageDocument::Read(const std::string& path, UndoBudget& budget, std::string& error) {
  TPtsImg pixels;
  int32_t width = 0, height = 0;
  const auto make = [&pixels](int32_t w, int32_t h) {
    pixels = TPtsImg::Uninitialised(int32_t(int64_t(w) * h));
    return pixels.Data();
  };
  if (!host::ReadImageFileInto(path, make, width, height, error)) return nullptr;
  return std::make_unique<ImageDocument>(std::move(pixels), width, height, path, FileNameOf(path), budget);
}

std::vector<Pixel24> ImageDocument::Bytes() const {
  return std::vector<Pixel24>(pixels_.Data(), pixels_.Data() + pixels_.Length());
}

host::Bitmap24 ImageDocument::Image() const { return host::FromPixelArray(pixels_, width_, height_); }

void ImageDocument::Restore(const std::vector<Pixel24>& bytes) {
  if (bytes.size() == size_t(pixels_.Length()) && !bytes.empty())
    std::memcpy(pixels_.Data(), bytes.data(), bytes.size() * sizeof(Pixel24));
}

std::vector<Pixel24> ImageDocument::CopyBeforeRun() const {
  return history_.Budget().CopyIntoSpare(pixels_.Data(), size_t(pixels_.Length()));
}

void ImageDocument::PrepareCopyBeforeRun() { history_.Budget().PrepareSpare(size_t(pixels_.Length())); }

void ImageDocument::GiveBackCopy(std::vector<Pixel24>&& copy) {
  const bool whole = copy.size() == size_t(pixels_.Length());
  history_.Budget().GiveBackSpare(whole ? std::move(copy) : std::vector<Pixel24>());
  // Taken whole by the undo step: another is touched for the next run.
  if (!whole) PrepareCopyBeforeRun();
}

void ImageDocument::KeepChange(std::vector<Pixel24>&& before) {
  if (history_.Keep(std::move(before), pixels_.Data(), width_, height_, state_)) state_ = ++lastState_;
}

void ImageDocument::ReplaceWhole(TPtsImg&& pixels, int32_t width, int32_t height, const PixelRect& partKept) {
  history_.KeepWhole(Bytes(), width_, height_, state_, partKept);
  pixels_ = std::move(pixels);
  width_ = width;
  height_ = height;
  state_ = ++lastState_;
}

bool ImageDocument::SwapWhole(std::vector<Pixel24>& pixels, int32_t& width, int32_t& height) {
  try {
    TPtsImg next = TPtsImg::Uninitialised(int32_t(pixels.size()));
    std::vector<Pixel24> current = Bytes();
    if (!pixels.empty()) std::memcpy(next.Data(), pixels.data(), pixels.size() * sizeof(Pixel24));
    pixels = std::move(current);
    pixels_ = std::move(next);
  } catch (const std::bad_alloc&) {
    return false;
  }
  std::swap(width_, width);
  std::swap(height_, height);
  return true;
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
  ReplaceWhole(CopyOfPart(rect), rect.width, rect.height, rect);
}

bool ImageDocument::Previous(host::Bitmap24& image, PixelRect& now) const {
  return history_.Previous(pixels_.Data(), width_, height_, image.pixels, image.width, image.height, now);
}

bool ImageDocument::Undo() {
  return history_.Undo(pixels_.Data(), width_, state_, [this](auto& p, auto& w, auto& h) { return SwapWhole(p, w, h); });
}

bool ImageDocument::Redo() {
  return history_.Redo(pixels_.Data(), width_, state_, [this](auto& p, auto& w, auto& h) { return SwapWhole(p, w, h); });
}

std::wstring ImageDocument::DisplayName() const {
  // The viewer's own names ("Image collée") are Windows-1252 text.
  if (path_.empty()) return host::WideFromCodePage(name_, 1252);
  const std::wstring path = host::LongPathOf(path_);
  return path.substr(path.find_last_of(L"\\/") + 1);
}

void ImageDocument::MarkSaved(const std::string& path, uint64_t writtenState) {
  path_ = path;
  name_ = FileNameOf(path);
  savedState_ = writtenState;
}

}  // namespace molvane::viewer
