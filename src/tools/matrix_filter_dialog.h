// TFiltresMX: the modal matrix filter dialog ("Filtres Matriciels") and its filter list.
#pragma once

#include <string>
#include <vector>

#include "boundary/host_protocol.h"
#include "boundary/image_run.h"
#include "boundary/pixel_array.h"
#include "dialog_kit/layout.h"
#include "tools/matrix_filter.h"
#include "ui/dialogs.h"
#include "ui/form.h"

namespace molvane {

class TFiltresMX : public ui::Form {
 public:
  TFiltresMX();
  // Every component's kind, container, place and fixed caption.
  static LayoutTable Layout();

  // Keeps the run, copies the host's image and shows the dialog modally;
  // returns once it has closed.
  void Open(const ImageRun& run);

  ui::GroupBox GroupBox1{this, "GroupBox1"};
  ui::StringGrid CoeffFlt{&GroupBox1, "CoeffFlt"};
  ui::Label Label1{&GroupBox1, "Label1"};
  ui::Edit DenFlt{&GroupBox1, "DenFlt"};
  ui::Label Label3{&GroupBox1, "Label3"};
  ui::Edit DecFlt{&GroupBox1, "DecFlt"};
  ui::Label Label2{&GroupBox1, "Label2"};
  ui::ComboBox DimFlt{&GroupBox1, "DimFlt"};
  ui::GroupBox GroupBox2{this, "GroupBox2"};
  ui::ComboBox TypeFiltres{&GroupBox2, "TypeFiltres"};
  ui::Button ChargFlt{&GroupBox2, "ChargFlt"};
  ui::Button EnrgFlt{&GroupBox2, "EnrgFlt"};
  ui::Button Visu{this, "Visu"};
  ui::Button Appliquer{this, "Appliquer"};
  ui::Button Annuler{this, "Annuler"};

  void FormShow(ui::Component* sender);
  void TypeFiltresChange(ui::Component* sender);
  void DenFltChange(ui::Component* sender);
  void CoeffFltDrawCell(ui::Component* sender, int col, int row);
  void VisuClick(ui::Component* sender);
  void AppliquerClick(ui::Component* sender);
  void AnnulerClick(ui::Component* sender);
  void EnrgFltClick(ui::Component* sender);
  void ChargFltClick(ui::Component* sender);
  void FormClose(ui::Component* sender);

  const std::vector<TMatrixFilter>& Filters() const { return Filters_; }
  int CurrentFilter() const { return CurrentFilter_; }
  bool PreviewCurrent() const { return PreviewCurrent_; }

  // Entries 0..5 are read-only; 6 ("Utilisateur") and every loaded one are editable.
  static constexpr int LastBuiltIn = 6;

 private:
  void ShowFilter(int k);
  void TakeDialogValues();
  void RunFilter();
  ui::FileDialogOptions FilterFileDialog() const;

  std::vector<TMatrixFilter> Filters_;
  int CurrentFilter_ = LastBuiltIn;
  bool PreviewCurrent_ = false;
  ImageRun Run;
};

// The one instance, created hidden with its seven filters when the library loads.
void FltMatrixInitialize();
void FltMatrixFinalize();
TFiltresMX& FiltresMX();

}  // namespace molvane
