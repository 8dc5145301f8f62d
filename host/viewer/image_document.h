// One open image: its pixels (the buffer the plug-in works on), its file, and its undo history.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "boundary/pixel_array.h"
#include "host/bmp.h"
#include "host/viewer/pixel_rect.h"
#include "host/viewer/undo_history.h"

namespace molvane::viewer {

// The pixels live in one shared-allocator array, so the plug-in can write
// into them; undo and redo copy exact bytes back into that same array, save
// across a change of size, which puts a new array in its place. Each kept
// change is one undo step, held within the budget every open image shares.
class ImageDocument {
 public:
  // `path` empty: an image that has no file yet (one the plug-in made).
  ImageDocument(const host::Bitmap24& image, std::string path, std::string name, UndoBudget& budget);
  ImageDocument(TPtsImg&& pixels, int32_t width, int32_t height, std::string path, std::string name,
                UndoBudget& budget);
  // The image file at `path`, decoded straight into the document's array;
  // null, with `error` said, when it cannot be read. Throws std::bad_alloc.
  static std::unique_ptr<ImageDocument> Read(const std::string& path, UndoBudget& budget, std::string& error);

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  const TPtsImg& Pixels() const { return pixels_; }
  std::vector<Pixel24> Bytes() const;
  host::Bitmap24 Image() const;
  // Writes `bytes` (W x H pixels) back into the array.
  void Restore(const std::vector<Pixel24>& bytes);
  // A new array holding the pixels of `rect` (inside the image), and the way back in.
  TPtsImg CopyOfPart(const PixelRect& rect) const;
  void WritePart(const PixelRect& rect, const TPtsImg& part);
  // Keeps only `rect` (inside the image): one undo step, which gives back
  // the whole image. Throws std::bad_alloc, with nothing changed, when the
  // new array cannot be made.
  void Crop(const PixelRect& rect);
  // The image before the last undo step, and where this one lies in it
  // (after a crop, the part kept); false when there is none.
  bool Previous(host::Bitmap24& image, PixelRect& now) const;

  // A copy of the pixels taken before a tool run: into the budget's spare
  // block when one of this size is ready (see PrepareCopyBeforeRun).
  std::vector<Pixel24> CopyBeforeRun() const;
  // Touches, in the background, a spare block for the next run's copy.
  void PrepareCopyBeforeRun();
  // The run's copy once the run ended (empty when an undo step took it): the next spare block.
  void GiveBackCopy(std::vector<Pixel24>&& copy);

  // The array now holds a change made from `before`: one undo step, unless
  // nothing differs. Clears what could be redone.
  void KeepChange(std::vector<Pixel24>&& before);
  // The image becomes `pixels` (width x height, any size): one undo step
  // holding the whole image before; `partKept`: where `pixels` lie in it
  // when they are a part of it. Throws std::bad_alloc, with nothing
  // changed, when memory lacks.
  void ReplaceWhole(TPtsImg&& pixels, int32_t width, int32_t height, const PixelRect& partKept = {});
  bool CanUndo() const { return history_.CanUndo(); }
  bool CanRedo() const { return history_.CanRedo(); }
  bool Undo();
  bool Redo();
  // The bytes this image's steps hold.
  size_t HistoryBytes() const { return history_.Bytes(); }

  const std::string& Path() const { return path_; }
  // The name in the ANSI code page, as the plug-in takes it: a name the code
  // page cannot hold is the file's 8.3 short name.
  const std::string& Name() const { return name_; }
  // The name as the file system has it, whole, for titles.
  std::wstring DisplayName() const;
  // Unsaved changes: the pixels differ from the state last saved or opened.
  bool Modified() const { return state_ != savedState_; }
  // The number of the pixels' present state.
  uint64_t State() const { return state_; }
  // The file at `path` now holds the pixels as they were in state
  // `writtenState`: a change made while the file was written stays unsaved.
  void MarkSaved(const std::string& path, uint64_t writtenState);

 private:
  int32_t width_;
  int32_t height_;
  TPtsImg pixels_;
  std::string path_;
  std::string name_;
  // Undo and redo across a change of size.
  bool SwapWhole(std::vector<Pixel24>& pixels, int32_t& width, int32_t& height);

  UndoHistory history_;
  // Numbers naming the pixels' states, so that undoing to the saved state reads as unmodified.
  uint64_t state_ = 1;
  uint64_t savedState_ = 1;
  uint64_t lastState_ = 1;
};

}  // namespace molvane::viewer
