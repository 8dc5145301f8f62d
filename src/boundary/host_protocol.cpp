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

// The codes of the callback's ActionCode and ActionData arguments.
constexpr int32_t kNoAction = 0;
constexpr int32_t kClickRequest = 1;
constexpr int32_t kNewImage = 3;
constexpr intptr_t kSecondImageRequest = 2;
constexpr intptr_t kFilterResultNotInBuffer = 3;

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

void AskForSecondImage(ImageSize size) { Call(size, kNoAction, kSecondImageRequest, 0, 0); }
void AskForClicks(ImageSize size) { Call(size, kClickRequest, 0, 0, 0); }
void ReportStep(ImageSize size, uint8_t applied) { Call(size, kNoAction, 0, applied, 0); }
void ReportFinished(ImageSize size, uint8_t applied) { Call(size, kNoAction, 0, applied, 1); }

void ReportFilterFinished(ImageSize size, uint8_t applied, bool bufferHoldsFilterResult) {
  Call(size, kNoAction, bufferHoldsFilterResult ? 0 : kFilterResultNotInBuffer, applied, 1);
}

void DeliverImage(ImageSize size, const TPtsImg& image) {
  Call(size, kNewImage, reinterpret_cast<intptr_t>(image.Handle()), 1, 1);
}

void RefuseImage(ImageSize size) { Call(size, kNoAction, 0, 0, 1); }

}  // namespace molvane
