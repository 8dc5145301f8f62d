// The viewer's side of the plug-in contract: its menu, one tool run at a time, and every callback.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/bmp.h"
#include "host/plugin_library.h"
#include "host/viewer/image_document.h"

namespace molvane::viewer {

// What a tool run asks of the windows.
class SessionEvents {
 public:
  virtual ~SessionEvents() = default;
  // The plug-in may just have written these pixels: repaint them at once.
  virtual void PixelsChanged(ImageDocument& document) = 0;
  // A new image from the plug-in (comparison, merge): open it in a window.
  virtual void ImageDelivered(const host::Bitmap24& image, const std::string& name) = 0;
  // Picking, waiting for a second image or the run's end: status bar, cursors, menus.
  virtual void StateChanged() = 0;
};

// One run at a time: the tool, the image it was opened on and that image's
// bytes before it, kept or restored by the final callback's Applied.
class PluginSession {
 public:
  explicit PluginSession(SessionEvents& events) : events_(events) {}
  ~PluginSession();
  PluginSession(const PluginSession&) = delete;
  PluginSession& operator=(const PluginSession&) = delete;

  // False with a French message saying why the plug-in's menu is absent.
  bool Load(const std::string& path, std::string& error);
  bool Loaded() const { return exports_.Complete(); }
  // The plug-in's module: the windows it makes carry it as their instance.
  void* Module() const { return library_.Module(); }
  const std::string& MenuCaption() const { return menuCaption_; }
  const std::vector<std::string>& ItemCaptions() const { return items_; }
  const std::string& DisplayName() const { return displayName_; }
  int32_t Major() const { return major_; }
  int32_t Minor() const { return minor_; }

  // Opens tool `tool` (1..count) on the document: phase 0. Modal tools return
  // once their dialog closed; the others leave it on screen. Throws
  // std::bad_alloc, with nothing started, when the image's copy cannot be made.
  // With `area` (inside the image; empty: the whole image) the tool gets
  // that part as an image of its own, and what it writes goes back there.
  void Run(int32_t tool, ImageDocument& document, const PixelRect& area = PixelRect{});
  bool Busy() const { return target_ != nullptr; }
  int32_t Tool() const { return tool_; }
  // The running tool's menu item, as the plug-in names it.
  std::string ToolCaption() const;
  const ImageDocument* Target() const { return target_; }
  // The part of the target the tool works on; empty for the whole image.
  const PixelRect& Area() const { return area_; }
  // The document's pixels when the running tool opened on it, or null.
  const std::vector<Pixel24>* BytesBefore(const ImageDocument& document) const {
    return &document == target_ ? &before_ : nullptr;
  }
  // The tool asked for clicks on its image (ActionCode 1) and still does.
  bool Picking() const { return picking_; }
  // The tool has shown its result in the image and waits for Appliquer or more points.
  bool ResultShown() const { return resultShown_; }
  // A point on the image went to the picking tool since it opened.
  bool PointSent() const { return pointSent_; }
  // The tool takes a second image from a click on another one (ActionData
  // 2): until one came, and again to replace it.
  bool TakesSecondImage() const { return waitingSecond_; }
  bool WaitsForSecondImage() const { return waitingSecond_ && secondName_.empty(); }
  // The second image sent, or empty.
  const std::string& SecondImageName() const { return secondName_; }
  // A click on the picked image at pixel (x, y) of the part the tool works
  // on: the phase-1 call, with the 5 x 5 sample around the point for tool 4.
  void SendPoint(int32_t x, int32_t y);
  // A click on another image while the tool takes one: that image (or its
  // part `area`, when not empty) as phase 1.
  void SendSecondImage(ImageDocument& document, const PixelRect& area = PixelRect{});
  // A non-modal dialog closed without a final callback (tools 1 and 7 cancel
  // so): the run ends. Called with whether any of the tool's windows still shows.
  void DialogShowing(bool showing);

 private:
  static void MOLVANE_STDCALL Callback(int32_t userValue, int32_t width, int32_t height, int32_t reserved1,
                                       int32_t reserved2, int32_t actionCode, intptr_t actionData,
                                       int32_t applied, int32_t finished);
  void OnCallback(int32_t width, int32_t height, int32_t actionCode, intptr_t actionData, bool applied,
                  bool finished);
  void End();
  // The array the tool works on: the document's own, or the copy of its part.
  const TPtsImg& WorkPixels() const { return area_.Empty() ? target_->Pixels() : work_; }
  int32_t WorkWidth() const { return area_.Empty() ? target_->Width() : area_.width; }
  int32_t WorkHeight() const { return area_.Empty() ? target_->Height() : area_.height; }
  // The name the new image's window gets.
  std::string DeliveredName() const;

  SessionEvents& events_;
  host::PluginLibrary library_;
  host::PluginExports exports_;
  std::string menuCaption_;
  std::vector<std::string> items_;
  std::string displayName_;
  int32_t major_ = 0;
  int32_t minor_ = 0;

  int32_t tool_ = 0;
  ImageDocument* target_ = nullptr;
  std::vector<Pixel24> before_;
  PixelRect area_;
  TPtsImg work_;
  std::string secondName_;
  bool picking_ = false;
  bool resultShown_ = false;
  bool pointSent_ = false;
  bool waitingSecond_ = false;
  bool dialogSeen_ = false;
};

}  // namespace molvane::viewer
