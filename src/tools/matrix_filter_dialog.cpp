// The matrix filter dialog: built-in and user filters, "Visualiser" on the host's image, ".flt" files.
#include "tools/matrix_filter_dialog.h"

#include <stdexcept>

#include "boundary/host_protocol.h"
#include "dialog_kit/button_glyphs.h"
#include "dialog_kit/dialog_module.h"
#include "platform/path_names.h"
#include "platform/platform.h"
#include "tools/convolution.h"
#include "tools/filter_file.h"
#include "ui/number_text.h"
#include "ui/screen_cursor.h"

namespace molvane {
namespace {

// The floating-point errors a run reports, as the user reads them.
class FloatingPointError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using Kind = ui::Component::Kind;
const LayoutRow kLayout[] = {
    {"GroupBox1", Kind::GroupBox, "", {5, 5, 241, 236}, " Caractéristiques du filtre "},
    {"CoeffFlt", Kind::StringGrid, "GroupBox1", {10, 20, 220, 157}, nullptr},
    {"Label1", Kind::Label, "GroupBox1", {25, 183, 50, 14}, "Diviseur"},
    {"DenFlt", Kind::Edit, "GroupBox1", {20, 200, 46, 21}, nullptr},
    {"Label3", Kind::Label, "GroupBox1", {100, 183, 50, 14}, "Décalage"},
    {"DecFlt", Kind::Edit, "GroupBox1", {105, 200, 36, 21}, nullptr},
    {"Label2", Kind::Label, "GroupBox1", {185, 183, 40, 14}, "Taille"},
    {"DimFlt", Kind::ComboBox, "GroupBox1", {175, 200, 50, 21}, nullptr},
    {"GroupBox2", Kind::GroupBox, "", {255, 5, 106, 126}, " Filtres prédéfinis "},
    {"TypeFiltres", Kind::ComboBox, "GroupBox2", {7, 20, 92, 21}, nullptr},
    {"ChargFlt", Kind::Button, "GroupBox2", {7, 55, 92, 25}, "Charger"},
    {"EnrgFlt", Kind::Button, "GroupBox2", {7, 93, 92, 25}, "Enregistrer"},
    {"Visu", Kind::Button, "", {255, 140, 106, 25}, "Visualiser"},
    {"Appliquer", Kind::Button, "", {255, 177, 106, 25}, "Appliquer", ui::ButtonRole::Ok},
    {"Annuler", Kind::Button, "", {255, 215, 106, 25}, "Annuler", ui::ButtonRole::Cancel},
};

}  // namespace

LayoutTable TFiltresMX::Layout() { return TableOf(kLayout); }

TFiltresMX::TFiltresMX() : ModalDialog("FiltresMX", nullptr) {
  SetCaption("Filtres Matriciels");
  SetClientSize(367, 248);
  ApplyLayout(*this, Layout());
  CoeffFlt.SetSize(7, 7, 30, 21);
  DimFlt.SetEditable(true);
  DimFlt.SetItems({"3 x 3", "5 x 5", "7 x 7"});
  DimFlt.SetDropDownRows(3);
  TypeFiltres.SetDropDownRows(7);
  // Every opening shows the user's filter, whose name can be typed: the box
  // is editable from the start, so its window is not made twice at the
  // first opening.
  TypeFiltres.SetEditable(true);
  DimFlt.SetItemIndex(0);
  ChargFlt.SetGlyph(OpenFileGlyph());
  EnrgFlt.SetGlyph(SaveFileGlyph());
  Visu.SetGlyph(PreviewGlyph());

  for (int i = 0; i < kBuiltInFilterCount; ++i) Filters_.push_back(BuiltInFilter(i));

  TypeFiltres.OnChange = ui::Handler(this, &TFiltresMX::TypeFiltresChange);
  DenFlt.OnChange = ui::Handler(this, &TFiltresMX::DenFltChange);
  DecFlt.OnChange = ui::Handler(this, &TFiltresMX::DenFltChange);
  DimFlt.OnChange = ui::Handler(this, &TFiltresMX::DenFltChange);
  CoeffFlt.OnDrawCell = [this](ui::Component* s, int c, int r) { CoeffFltDrawCell(s, c, r); };
  Visu.OnClick = ui::Handler(this, &TFiltresMX::VisuClick);
  Appliquer.OnClick = ui::Handler(this, &TFiltresMX::AppliquerClick);
  Annuler.OnClick = ui::Handler(this, &TFiltresMX::AnnulerClick);
  EnrgFlt.OnClick = ui::Handler(this, &TFiltresMX::EnrgFltClick);
  ChargFlt.OnClick = ui::Handler(this, &TFiltresMX::ChargFltClick);
}

void TFiltresMX::FormShow(ui::Component*) {
  CoeffFlt.Select(3, 3);
  Filters_.resize(LastBuiltIn + 1);  // files loaded at an earlier opening are dropped
  std::vector<std::string> names;
  for (const TMatrixFilter& f : Filters_) names.push_back(f.Name());
  TypeFiltres.SetItems(names);
  CurrentFilter_ = LastBuiltIn;
  TypeFiltres.SetItemIndex(LastBuiltIn);
  ShowFilter(LastBuiltIn);
  PreviewCurrent_ = false;
}

void TFiltresMX::ShowFilter(int k) {
  const TMatrixFilter& f = Filters_[size_t(k)];
  const int64_t item = (int64_t(f.Size) - 3) / 2;  // truncating: a Size of 4 shows "3 x 3"
  DimFlt.SetItemIndex(item >= 0 && item <= 2 ? int(item) : -1);
  DecFlt.SetText(ui::IntToText(f.Offset));
  const bool editable = k >= LastBuiltIn;
  DimFlt.SetEnabled(editable);
  DenFlt.SetEnabled(editable);
  DecFlt.SetEnabled(editable);
  CoeffFlt.SetEditingEnabled(editable);
  TypeFiltres.SetEditable(editable);
  DenFlt.SetText(ui::FormatGeneral4(f.Divisor(), ui::DecimalSeparator()));
  for (int r = 0; r < 7; ++r)
    for (int c = 0; c < 7; ++c) CoeffFlt.SetCell(c, r, ui::IntToText(f.Coeff[r][c]));
}

void TFiltresMX::TakeDialogValues() {
  // Field by field: a text that cannot be read stops here, the fields taken
  // before it keeping their new values.
  TMatrixFilter& f = Filters_[size_t(CurrentFilter_)];
  f.Size = 3 + 2 * DimFlt.ItemIndex();
  f.SetDivisor(ui::TextToReal(DenFlt.Text(), ui::DecimalSeparator()));
  f.Offset = ui::TextToInt(DecFlt.Text());
  for (int c = 0; c < 7; ++c)
    for (int r = 0; r < 7; ++r) f.Coeff[r][c] = ui::TextToInt(CoeffFlt.Cell(c, r));
}

void TFiltresMX::RunFilter() {
  HourglassScope hourglass;
  TakeDialogValues();
  const TMatrixFilter& f = Filters_[size_t(CurrentFilter_)];
  if (f.Size != 3 && f.Size != 5 && f.Size != 7) return;
  switch (Convolve(f, (f.Size - 1) / 2, Run.WorkCopy().Data(), Run.HostImage().Data(), Run.Width(),
                   Run.Height())) {
    case ConvolutionStatus::Done:
      return;
    case ConvolutionStatus::DivisionByZero:
      throw FloatingPointError("Division par zéro en virgule flottante");
    case ConvolutionStatus::InvalidOperation:
      throw FloatingPointError("Opération en virgule flottante incorrecte");
  }
}

void TFiltresMX::TypeFiltresChange(ui::Component*) {
  const int index = TypeFiltres.ItemIndex();
  if (index >= 0) {
    CurrentFilter_ = index;
    ShowFilter(index);
  } else {
    // Typing renames the current filter at every keystroke.
    TypeFiltres.SetItem(CurrentFilter_, TypeFiltres.Text());
    Filters_[size_t(CurrentFilter_)].SetName(TypeFiltres.Text());
  }
  PreviewCurrent_ = false;
}

void TFiltresMX::DenFltChange(ui::Component*) { PreviewCurrent_ = false; }

void TFiltresMX::CoeffFltDrawCell(ui::Component*, int, int) { PreviewCurrent_ = false; }

void TFiltresMX::VisuClick(ui::Component*) {
  PreviewCurrent_ = true;
  try {
    ShowInHostImage([this] { RunFilter(); });
  } catch (...) {
    // The buffer does not hold this filter's result: "Appliquer" must run it.
    PreviewCurrent_ = false;
    throw;
  }
}

bool TFiltresMX::ApplyStep() {
  if (!PreviewCurrent_) RunFilter();
  return true;
}

ui::FileDialogOptions TFiltresMX::FilterFileDialog() const {
  ui::FileDialogOptions options;
  options.filter = "Fichiers Filtre (*.flt)|*.flt";
  options.defaultExtension = ".flt";
  // The executable's folder, given without its trailing separator.
  options.initialDirectory = FolderOf(SystemPlatform().ExecutableFileName());
  if (!options.initialDirectory.empty()) options.initialDirectory.pop_back();
  options.confirmOverwrite = false;
  return options;
}

void TFiltresMX::EnrgFltClick(ui::Component*) {
  TakeDialogValues();
  std::string path;
  if (!ui::ChooseFileToSave(this, FilterFileDialog(), path)) return;
  TMatrixFilter& f = Filters_[size_t(CurrentFilter_)];
  if (f.NameLength == 11 && f.Name() == "Utilisateur") f.SetName(StemOf(path));
  SaveFilterFile(path, f);
}

void TFiltresMX::ChargFltClick(ui::Component*) {
  std::string path;
  if (!ui::ChooseFileToOpen(this, FilterFileDialog(), path)) return;
  const TMatrixFilter loaded = LoadFilterFile(path);
  Filters_.push_back(loaded);
  std::vector<std::string> names = TypeFiltres.Items();
  names.push_back(loaded.Name());
  TypeFiltres.SetItems(names);
  CurrentFilter_ = int(Filters_.size()) - 1;
  ShowFilter(CurrentFilter_);
  TypeFiltres.SetItemIndex(CurrentFilter_);
}

void TFiltresMX::ReportClosing(uint8_t applied) {
  ReportFilterFinished(Run.Size(), applied, PreviewCurrent_);
}

}  // namespace molvane
