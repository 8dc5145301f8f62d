// The callback cell and the apply flag, shared by every tool.
#include "boundary/host_link.h"

#include "tools/row_pool.h"

namespace molvane {
namespace {

struct CallbackCell {
  HostCallback callback = nullptr;
  int32_t userValue = 0;
};

CallbackCell& Cell() {
  static CallbackCell cell;
  return cell;
}

// Passed as Reserved1 and Reserved2; nothing ever sets them.
constexpr int32_t kReserved1 = 0;
constexpr int32_t kReserved2 = 0;

}  // namespace

bool HoldsImage(const TPtsImg& pixels, ImageSize size) {
  return size.width > 0 && size.height > 0 &&
         pixels.Length() >= int64_t(size.width) * int64_t(size.height);
}

bool AcceptsImage(const TPtsImg& pixels, ImageSize size) {
  return !pixels.Empty() && size.width >= 0 && size.height >= 0 &&
         pixels.Length() >= int64_t(size.width) * int64_t(size.height);
}

uint8_t& ApplyFlag() {
  static uint8_t flag = 0;
  return flag;
}

void RegisterHostCallback(HostCallback callback, int32_t userValue) {
  Cell().callback = callback;
  Cell().userValue = userValue;
}

void ReportToHost(ImageSize size, int32_t actionCode, intptr_t actionData, uint8_t applied,
                  int32_t finished) {
  // The run ends here: its pool threads end with it, from the host's thread,
  // before the host may unload the library.
  if (finished) StopPool();
  const CallbackCell& cell = Cell();
  if (!cell.callback) return;  // a host that never registered one hears nothing
  cell.callback(cell.userValue, size.width, size.height, kReserved1, kReserved2, actionCode,
                actionData, applied, finished);
}

void ReportRefusal(ImageSize size) { ReportToHost(size, 0, 0, 0, 1); }

void DeliverImageToHost(ImageSize size, const TPtsImg& image) {
  ReportToHost(size, 3, reinterpret_cast<intptr_t>(image.Handle()), 1, 1);
}

}  // namespace molvane
