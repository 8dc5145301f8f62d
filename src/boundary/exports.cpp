// The four exports, and the dispatch of XchgData calls to the tools.
#include "boundary/exports.h"

#include <utility>

#include "boundary/host_protocol.h"
#include "boundary/image_run.h"
#include "boundary/menu_table.h"
#include "boundary/pixel_array.h"
#include "boundary/tool_table.h"
#include "boundary/version_info.h"
#include "platform/platform.h"
#include "ui/screen_cursor.h"

namespace molvane {
namespace {

const ToolEntry* FindTool(int32_t number) {
  for (const ToolEntry& tool : Tools())
    if (tool.number == number) return &tool;
  return nullptr;
}

// A tool that takes phase-1 calls opens at phase 0 only and ignores phases
// other than 0 and 1; the others open at every call. An opening call on an
// image the array cannot hold is refused here, alike for every tool.
// The opening call's reference to the host's image becomes the run's: the
// host sees one reference for the call and one for the tool, no more.
void Dispatch(const ToolEntry& tool, int32_t callPhase, TPtsImg pixels, const TPtsImg& pixels2,
              ImageSize size, const char* imageName, ImagePoint point) {
  if (tool.proceed && callPhase == MOLVANE_PHASE_CONTINUE) {
    tool.proceed(PhaseOneCall{point, pixels, pixels2, size, imageName});
    return;
  }
  if (tool.proceed && callPhase != MOLVANE_PHASE_OPEN) return;
  if (!AcceptsImage(pixels, size) || (tool.needsPixels && size.PixelCount() == 0)) {
    RefuseImage(size);
    return;
  }
  tool.open(ImageRun(std::move(pixels), size, imageName));
}

}  // namespace

}  // namespace molvane

using namespace molvane;

// No C++ exception may reach the host: each export catches everything and
// returns normally, its references released by their destructors.

void MOLVANE_STDCALL XchgData(int32_t ToolNumber, int32_t, int32_t, int32_t PointX,
                              int32_t PointY, int32_t ImageWidth, int32_t ImageHeight,
                              int32_t CallPhase, int32_t, Pixel24* Pixels, Pixel24* Pixels2,
                              const char* ImageName, int32_t) {
  try {
    TPtsImg pixels = TPtsImg::Share(Pixels);
    const TPtsImg pixels2 = TPtsImg::Share(Pixels2);
    ApplyFlag() = 0;
    if (const ToolEntry* tool = FindTool(ToolNumber))
      Dispatch(*tool, CallPhase, std::move(pixels), pixels2, ImageSize{ImageWidth, ImageHeight}, ImageName,
               ImagePoint{PointX, PointY});
  } catch (...) {
  }
}

const char* MOLVANE_STDCALL AddMenu(int32_t* Index) {
  if (!Index) return "";
  const std::vector<const char*>& table = MenuTable();
  if (*Index == 0) {
    // The menu is built as the host starts, long before a tool computes.
    LoadScreenCursors();
    *Index = int32_t(table.size());
    return kMenuCaption;
  }
  if (*Index < 0 || size_t(*Index) > table.size()) return "";  // outside what a host asks for
  return table[size_t(*Index) - 1];
}

const char* MOLVANE_STDCALL PrmDLL(int32_t* Major, int32_t* Minor, const char** MenuCaption) {
  FileVersionNumbers version{0, 0};
  try {
    version = ReadOwnFileVersion(SystemPlatform());
  } catch (...) {
  }
  if (Major) *Major = version.major;
  if (Minor) *Minor = version.minor;
  if (MenuCaption) *MenuCaption = kMenuCaption;
  return kDisplayName;
}

void MOLVANE_STDCALL AdrRetour(HostCallback Callback, int32_t UserValue) {
  RegisterHostCallback(Callback, UserValue);
}
