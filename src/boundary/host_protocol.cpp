// The callback cell, the apply flag and the calls every tool makes to the host.
#include "boundary/host_protocol.h"

#include "platform/row_pool.h"

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

// Reserved1 and Reserved2 are always 0.
void Call(ImageSize size, int32_t actionCode, intptr_t actionData, uint8_t applied, int32_t finished) {
  // The run ends here: its pool threads end with it, from the host's thread,
  // before the host may unload the library.
  if (finished) StopPool();
  const CallbackCell& cell = Cell();
  if (!cell.callback) return;
  cell.callback(cell.userValue, size.width, size.height, 0, 0, actionCode, actionData, applied,
                finished);
}

}  // namespace

uint8_t& ApplyFlag() {
  static uint8_t flag = 0;
  return flag;
}

void RegisterHostCallback(HostCallback callback, int32_t userValue) {
  Cell().callback = callback;
  Cell().userValue = userValue;
}

void AskForSecondImage(ImageSize size) { Call(size, MOLVANE_ACTION_NONE, MOLVANE_DATA_ASK_SECOND_IMAGE, 0, 0); }
void AskForClicks(ImageSize size) { Call(size, MOLVANE_ACTION_ASK_CLICKS, MOLVANE_DATA_NONE, 0, 0); }
void ReportStep(ImageSize size, uint8_t applied) { Call(size, MOLVANE_ACTION_NONE, MOLVANE_DATA_NONE, applied, 0); }
void ReportFinished(ImageSize size, uint8_t applied) { Call(size, MOLVANE_ACTION_NONE, MOLVANE_DATA_NONE, applied, 1); }

void ReportFilterFinished(ImageSize size, uint8_t applied, bool bufferHoldsFilterResult) {
  Call(size, MOLVANE_ACTION_NONE, bufferHoldsFilterResult ? MOLVANE_DATA_NONE : MOLVANE_DATA_FILTER_NOT_IN_IMAGE, applied, 1);
}

void DeliverImage(ImageSize size, const TPtsImg& image) {
  Call(size, MOLVANE_ACTION_NEW_IMAGE, reinterpret_cast<intptr_t>(image.Handle()), 1, 1);
}

void RefuseImage(ImageSize size) { Call(size, MOLVANE_ACTION_NONE, MOLVANE_DATA_NONE, 0, 1); }

}  // namespace molvane
