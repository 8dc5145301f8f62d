// Each dialog's layout table describes every component it has, as built.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>

#include "dialog_kit/layout.h"
#include "tools/background_dialog.h"
#include "tools/comparison_dialog.h"
#include "tools/gradient_dialog.h"
#include "tools/matrix_filter_dialog.h"
#include "tools/merge_dialog.h"
#include "tools/threshold_dialog.h"
#include "tools/vignetting_dialog.h"
#include "ui/headless/headless.h"

namespace molvane {
namespace {

void CollectNames(const ui::Component& component, std::set<std::string>& names) {
  for (const ui::Component* child : component.Children()) {
    // The preview box places itself; a timer has no place.
    const bool placed = child->GetKind() != ui::Component::Kind::Timer && child->Name() != "CadreAff" &&
                        child->Name() != "PreVisu";
    if (placed) names.insert(child->Name());
    CollectNames(*child, names);
  }
}

TEST(DialogLayouts, EveryComponentHasOneRowThatDescribesIt) {
  ui::headless::Reset();
  const struct {
    const char* dialog;
    std::function<std::unique_ptr<ui::Form>()> make;
    LayoutTable layout;
  } dialogs[] = {
      {"TComparer", [] { return std::make_unique<TComparer>(); }, TComparer::Layout()},
      {"TFiltresMX", [] { return std::make_unique<TFiltresMX>(); }, TFiltresMX::Layout()},
      {"TCorrFond", [] { return std::make_unique<TCorrFond>(); }, TCorrFond::Layout()},
      {"TCorrVignetage", [] { return std::make_unique<TCorrVignetage>(); }, TCorrVignetage::Layout()},
      {"TSeuilImg", [] { return std::make_unique<TSeuilImg>(); }, TSeuilImg::Layout()},
      {"TFusionner", [] { return std::make_unique<TFusionner>(); }, TFusionner::Layout()},
      {"TCompDegr", [] { return std::make_unique<TCompDegr>(); }, TCompDegr::Layout()},
  };
  for (const auto& d : dialogs) {
    SCOPED_TRACE(d.dialog);
    const std::unique_ptr<ui::Form> form = d.make();  // a row that does not match throws here
    std::set<std::string> names;
    CollectNames(*form, names);
    std::set<std::string> rows;
    for (const LayoutRow& row : d.layout) {
      EXPECT_TRUE(rows.insert(row.name).second) << row.name << " has two rows";
      const ui::Component* component = form->Find(row.name);
      ASSERT_NE(component, nullptr) << row.name;
      EXPECT_EQ(component->Bounds().left, row.bounds.left) << row.name;
      EXPECT_EQ(component->Bounds().top, row.bounds.top) << row.name;
      if (row.bounds.width > 0) {  // a label without a size takes its text's
        EXPECT_EQ(component->Bounds().width, row.bounds.width) << row.name;
        EXPECT_EQ(component->Bounds().height, row.bounds.height) << row.name;
      }
      if (row.caption) EXPECT_EQ(component->Caption(), row.caption) << row.name;
    }
    EXPECT_EQ(rows, names) << "components without a row, or rows without a component";
  }
}

TEST(DialogLayouts, PlacesInTheFormAddTheContainersOffsets) {
  const LayoutTable merge = TFusionner::Layout();
  const ui::Rect txMin = PlaceInForm(merge, "TxMin");  // in GroupBox1 in BoxTransparence
  EXPECT_EQ(txMin.left, 335 + 5 + 2);
  EXPECT_EQ(txMin.top, 100 + 64 + 45);
  EXPECT_EQ(txMin.width, 274);
  EXPECT_EQ(PlaceInForm(merge, "absent").width, 0);
}

}  // namespace
}  // namespace molvane
