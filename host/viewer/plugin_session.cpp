// The plug-in contract as the viewer keeps it.
#include "host/viewer/plugin_session.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "host/shared_record.h"
#include "host/tool_list.h"
#include "platform/path_names.h"

namespace molvane::viewer {
namespace {

// The hourglass while the plug-in computes in the call; the arrow after.
class WaitCursor {
 public:
  WaitCursor() : previous_(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(previous_ ? previous_ : LoadCursor(nullptr, IDC_ARROW)); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR previous_;
};

// Why LoadLibrary refused, as a user reads it.
std::string LoadFailure(DWORD code) {
  switch (code) {
    case ERROR_MOD_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return "le fichier est introuvable";
    case ERROR_BAD_EXE_FORMAT:
      return "ce n'est pas une bibliothèque Windows 32 bits";
    case ERROR_DLL_INIT_FAILED:
      return "il a refusé de s'initialiser";
    default:
      return "erreur système " + std::to_string(code);
  }
}

}  // namespace

PluginSession::~PluginSession() {
  // A dialog still open would call back into a session that is gone.
  if (exports_.AdrRetour) exports_.AdrRetour(nullptr, 0);
}

bool PluginSession::Load(const std::string& path, std::string& error) {
  std::string detail;
  if (!library_.Load(path, detail)) {
    error = "Le module « " + FileNameOf(path) + " » n'a pas pu être chargé : " + LoadFailure(GetLastError()) + ".";
    return false;
  }
  const host::PluginExports exports = library_.ByName();
  if (!exports.Complete()) {
    library_.Unload();
    error = "« " + FileNameOf(path) + " » n'est pas un module de traitement : il n'exporte pas XchgData, AddMenu, "
            "PrmDLL et AdrRetour.";
    return false;
  }
  const char* menu = nullptr;
  const char* name = exports.PrmDLL(&major_, &minor_, &menu);
  displayName_ = name ? name : "";
  int32_t count = 0;
  const char* caption = exports.AddMenu(&count);
  menuCaption_ = caption ? caption : (menu ? menu : "");
  items_.clear();
  for (int32_t i = 1; i <= count && i <= 64; ++i) {
    int32_t index = i;
    const char* item = exports.AddMenu(&index);
    items_.push_back(item ? item : "");
  }
  exports_ = exports;
  exports_.AdrRetour(&PluginSession::Callback, int32_t(reinterpret_cast<intptr_t>(this)));
  return true;
}

// The name a part of an image goes by in the tools' dialogs.
std::string PartName(const ImageDocument& document, const PixelRect& area) {
  return area.Empty() ? document.Name() : document.Name() + " (sélection)";
}

void PluginSession::Run(int32_t tool, ImageDocument& document, const PixelRect& area) {
  if (!Loaded() || Busy() || tool < 1 || tool > int32_t(items_.size())) return;
  const PixelRect part = ClippedTo(area, document.Width(), document.Height());
  // Taken first: when memory lacks, nothing has started.
  std::vector<Pixel24> before = document.CopyBeforeRun();
  TPtsImg work = part.Empty() ? TPtsImg() : document.CopyOfPart(part);
  tool_ = tool;
  target_ = &document;
  before_ = std::move(before);
  area_ = part;
  work_ = std::move(work);
  const std::string name = PartName(document, area_);
  // The callback set by another host in this process is replaced by ours at each run.
  exports_.AdrRetour(&PluginSession::Callback, int32_t(reinterpret_cast<intptr_t>(this)));
  events_.StateChanged();
  WaitCursor wait;
  exports_.XchgData(tool, 0, 0, 0, 0, WorkWidth(), WorkHeight(), MOLVANE_PHASE_OPEN, 0, WorkPixels().Handle(), nullptr,
                    name.c_str(), 0);
}

void PluginSession::SendPoint(int32_t x, int32_t y) {
  const int32_t width = target_ ? WorkWidth() : 0, height = target_ ? WorkHeight() : 0;
  if (!picking_ || x < 0 || y < 0 || x >= width || y >= height) return;
  // Pixels2 holds the image as it now is, with any fill already made in it.
  const TPtsImg pixels = WorkPixels();
  TPtsImg sample;
  if (tool_ == MOLVANE_TOOL_BACKGROUND)
    sample = host::ToPixelArray(host::SampleAround(pixels.Data(), width, height, x, y));
  const std::string name = PartName(*target_, area_);
  WaitCursor wait;
  exports_.XchgData(tool_, 0, 0, x, y, width, height, MOLVANE_PHASE_CONTINUE, 0, sample.Handle(), pixels.Handle(),
                    name.c_str(), 0);
  pointSent_ = true;
}

void PluginSession::SendSecondImage(ImageDocument& document, const PixelRect& area) {
  if (!waitingSecond_ || &document == target_) return;
  const PixelRect part = ClippedTo(area, document.Width(), document.Height());
  const TPtsImg pixels = part.Empty() ? document.Pixels() : document.CopyOfPart(part);
  const std::string name = PartName(document, part);
  secondName_ = name;
  events_.StateChanged();
  exports_.XchgData(tool_, 0, 0, 0, 0, part.Empty() ? document.Width() : part.width,
                    part.Empty() ? document.Height() : part.height, MOLVANE_PHASE_CONTINUE, 0, pixels.Handle(), nullptr,
                    name.c_str(), 0);
}

void PluginSession::DialogShowing(bool showing) {
  const host::HostTool* known = host::FindHostTool(tool_);
  if (!Busy() || !known || known->kind != host::ToolKind::kTwoImage) return;
  // Only a dialog seen on screen can have closed.
  if (showing) dialogSeen_ = true;
  else if (dialogSeen_) End();
}

void MOLVANE_STDCALL PluginSession::Callback(int32_t userValue, int32_t width, int32_t height, int32_t, int32_t,
                                             int32_t actionCode, intptr_t actionData, int32_t applied,
                                             int32_t finished) {
  auto* session = reinterpret_cast<PluginSession*>(intptr_t(userValue));
  // Nothing may be thrown back into the plug-in.
  try {
    if (session) session->OnCallback(width, height, actionCode, actionData, (applied & 0xFF) != 0, finished == 1);
  } catch (...) {
  }
}

void PluginSession::OnCallback(int32_t width, int32_t height, int32_t actionCode, intptr_t actionData, bool applied,
                               bool finished) {
  // A new image is the user's whatever state we are in: our own copy, taken
  // before the plug-in releases its array.
  if (actionCode == MOLVANE_ACTION_NEW_IMAGE && actionData != 0 && width > 0 && height > 0) {
    const TPtsImg delivered = TPtsImg::Share(reinterpret_cast<Pixel24*>(actionData));
    if (int64_t(delivered.Length()) >= int64_t(width) * height)
      events_.ImageDelivered(host::FromPixelArray(delivered, width, height), DeliveredName());
  }
  if (!target_) return;
  if (actionCode == MOLVANE_ACTION_ASK_CLICKS) picking_ = true;
  // A computed result comes as Applied 1; Réinitialiser takes it back with Applied 0.
  if (picking_ && actionCode == MOLVANE_ACTION_NONE && !finished) resultShown_ = applied;
  if (actionCode == MOLVANE_ACTION_NONE && actionData == MOLVANE_DATA_ASK_SECOND_IMAGE) waitingSecond_ = true;
  // What the tool wrote in its part shows in the image at once.
  if (!area_.Empty()) target_->WritePart(area_, work_);
  events_.PixelsChanged(*target_);
  if (!finished) {
    events_.StateChanged();
    return;
  }
  // The final word: keep the change as one undo step, or put the bytes back.
  if (applied) target_->KeepChange(std::move(before_));
  else target_->Restore(before_);
  events_.PixelsChanged(*target_);
  End();
}

void PluginSession::End() {
  // The copy no undo step took is the next run's, already touched.
  if (target_) target_->GiveBackCopy(std::move(before_));
  target_ = nullptr;
  tool_ = 0;
  before_.clear();
  before_.shrink_to_fit();
  area_ = PixelRect{};
  work_.Reset();
  secondName_.clear();
  picking_ = false;
  resultShown_ = false;
  pointSent_ = false;
  waitingSecond_ = false;
  dialogSeen_ = false;
  events_.StateChanged();
}

std::string PluginSession::ToolCaption() const {
  return tool_ >= 1 && size_t(tool_) <= items_.size() ? items_[size_t(tool_ - 1)] : std::string();
}

std::string PluginSession::DeliveredName() const {
  const std::string first = target_ ? StemOf(target_->Name()) : std::string();
  // In the words of the plug-in's dialogs: "Créer une image d'écart", "Fusion d'images". Without
  // the files' extensions, the name is also the one its Enregistrer sous suggests.
  if (tool_ == MOLVANE_TOOL_COMPARISON) return "Image d'écart — " + first + ", " + StemOf(secondName_);
  if (tool_ == MOLVANE_TOOL_MERGE) return "Fusion d'images — " + first + ", " + StemOf(secondName_);
  return tool_ < 1 || size_t(tool_) > items_.size() ? first : ToolCaption() + " de " + first;
}

}  // namespace molvane::viewer
