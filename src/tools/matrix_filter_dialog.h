// TFiltresMX: the modal matrix filter dialog ("Filtres Matriciels") and its filter list.
#pragma once

#include <string>
#include <vector>

#include "dialog_kit/layout.h"
#include "dialog_kit/modal_dialog.h"
#include "tools/matrix_filter.h"
#include "ui/dialogs.h"

namespace molvane {

// It previews in the host's image itself ("Visualiser").
class TFiltresMX : public ModalDialog {
 public:
  TFiltresMX();
  // Every component's kind, container, place and fixed caption.
  static LayoutTable Layout();

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

  void FormShow(ui::Component* sender) override;
  void TypeFiltresChange(ui::Component* sender);
  void DenFltChange(ui::Component* sender);
  void CoeffFltDrawCell(ui::Component* sender, int col, int row);
  void VisuClick(ui::Component* sender);
  void EnrgFltClick(ui::Component* sender);
  void ChargFltClick(ui::Component* sender);

  const std::vector<TMatrixFilter>& Filters() const { return Filters_; }
  int CurrentFilter() const { return CurrentFilter_; }
  bool PreviewCurrent() const { return PreviewCurrent_; }

  // Entries 0..5 are read-only; 6 ("Utilisateur") and every loaded one are editable.
  static constexpr int LastBuiltIn = 6;

 private:
  // The filter into the host's image, unless "Visualiser" put it there and
  // nothing changed since.
  bool ApplyStep() override;
  // ActionData says whether the host's image holds the filter last shown.
  void ReportClosing(uint8_t applied) override;
  void ShowFilter(int k);
  void TakeDialogValues();
  void RunFilter();
  ui::FileDialogOptions FilterFileDialog() const;

  std::vector<TMatrixFilter> Filters_;
  int CurrentFilter_ = LastBuiltIn;
  bool PreviewCurrent_ = false;
};

}  // namespace molvane
