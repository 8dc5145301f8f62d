// The run of a point-picking dialog: its opening, its buttons and the apply flag they set.
#include "dialog_kit/point_picking_dialog.h"

#include <utility>

#include "boundary/host_protocol.h"

namespace molvane {

PointPickingDialog::PointPickingDialog(std::string name) : OnTopDialog(std::move(name)) {
  OnClose = ui::Handler(this, &PointPickingDialog::FormClose);
  Timer.OnTimer = ui::Handler(this, &PointPickingDialog::TimerTimer);
}

void PointPickingDialog::Prepare(const ImageRun& run) {
  Run = run;
  Run.StartCopyOfHostImage();
  AskForClicks(Run.Size());
}

void PointPickingDialog::Opened() { Run.FinishCopy(); }

void PointPickingDialog::StartPicking() {
  ApplyFlag() = 0;
  Markers.Reset();
}

void PointPickingDialog::MarkerClick(ui::Component* marker) {
  Markers.Arm(*static_cast<ui::CheckBox*>(marker));
}

void PointPickingDialog::ReportComputed() {
  ApplyFlag() = 1;
  ReportStep(Run.Size(), 1);
}

void PointPickingDialog::AppliquerClick(ui::Component*) {
  ApplyFlag() = 1;
  Close();
}

void PointPickingDialog::AnnulerClick(ui::Component*) {
  ApplyFlag() = 0;
  Close();
}

void PointPickingDialog::ReInitClick(ui::Component* sender) {
  FormShow(sender);
  Run.RestoreHostImage();
  ReportStep(Run.Size(), 0);
}

void PointPickingDialog::FormClose(ui::Component*) {
  Markers.Stop();
  Run.ReleaseCopy();
  ReportFinished(Run.Size(), ApplyFlag());
}

void PointPickingDialog::TimerTimer(ui::Component*) { Markers.Blink(); }

}  // namespace molvane
