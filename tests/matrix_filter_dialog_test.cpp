// The matrix filter dialog driven headless: the list, the controls, runs, errors and files.
#include "tools/matrix_filter_dialog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>

#include "boundary/host_protocol.h"
#include "dialog_kit/dialog_module.h"
#include "host_callback_recorder.h"
#include "platform/fake/fake_platform.h"
#include "tools/convolution.h"
#include "tools/filter_file.h"
#include "ui/headless/headless.h"

namespace molvane {
namespace {

using testing::HostCalls;
using ui::headless::TheState;

class MatrixFilterDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::headless::Reset();
    TheState().decimalSeparator = ',';
    TheFakePlatform().SetExecutableFileName(::testing::TempDir() + "host.exe");
    DialogModule<TFiltresMX>::Initialize();
    HostCalls().clear();
    ApplyFlag() = 0;  // as every XchgData call leaves it
    RegisterHostCallback(testing::RecordHostCall, 3);
    image = TPtsImg(kW * kH);
    for (int32_t i = 0; i < kW * kH; ++i)
      image[i] = {uint8_t(i * 7 + 1), uint8_t(i * 13), uint8_t(i)};
    original = image.Copy();
  }
  void TearDown() override {
    RegisterHostCallback(nullptr, 0);
    DialogModule<TFiltresMX>::Finalize();
  }
  void Run(std::function<void(TFiltresMX&)> steps) {
    TheState().modalScript = [steps](ui::Form& form) { steps(static_cast<TFiltresMX&>(form)); };
    TheDialog<TFiltresMX>().Open(ImageRun(image, {kW, kH}));
  }
  // What the filter gives on the image as it was opened.
  std::vector<Pixel24> Filtered(const TMatrixFilter& f) const {
    std::vector<Pixel24> out(size_t(kW * kH));
    ConvolveReference(f, (f.Size - 1) / 2, original.Data(), out.data(), kW, kH);
    return out;
  }
  bool HostHolds(const std::vector<Pixel24>& expected) const {
    return std::memcmp(image.Data(), expected.data(), expected.size() * 3) == 0;
  }
  bool HostUnchanged() const { return std::memcmp(image.Data(), original.Data(), kW * kH * 3) == 0; }
  static std::string Path(const std::string& name) { return ::testing::TempDir() + name; }

  static constexpr int32_t kW = 9, kH = 6;
  TPtsImg image;
  TPtsImg original;
};

TEST_F(MatrixFilterDialog, OpensOnTheUserFilterWithSevenEntries) {
  Run([](TFiltresMX& d) {
    EXPECT_EQ(d.Caption(), "Filtres Matriciels");
    ASSERT_EQ(d.TypeFiltres.Items().size(), 7u);
    EXPECT_EQ(d.TypeFiltres.Items()[0], "Lissage");
    EXPECT_EQ(d.TypeFiltres.ItemIndex(), 6);
    EXPECT_EQ(d.DenFlt.Text(), "1");
    EXPECT_EQ(d.DecFlt.Text(), "0");
    EXPECT_EQ(d.DimFlt.ItemIndex(), 0);
    EXPECT_EQ(d.CoeffFlt.Cell(3, 3), "1");
    EXPECT_EQ(d.CoeffFlt.Col(), 3);
    EXPECT_TRUE(d.DenFlt.Enabled());
    EXPECT_TRUE(d.CoeffFlt.EditingEnabled());
    EXPECT_TRUE(d.TypeFiltres.Editable());
    d.TypeFiltres.Pick(5);
    EXPECT_EQ(d.DenFlt.Text(), "6676");
    EXPECT_EQ(d.DecFlt.Text(), "127");
    EXPECT_EQ(d.DimFlt.ItemIndex(), 2);
    EXPECT_EQ(d.CoeffFlt.Cell(3, 1), "-604") << "row 1, column 3";
    EXPECT_FALSE(d.DenFlt.Enabled());
    EXPECT_FALSE(d.CoeffFlt.EditingEnabled());
    EXPECT_FALSE(d.TypeFiltres.Editable());
    d.Annuler.Click();
  });
  ASSERT_EQ(HostCalls().size(), 1u);
  EXPECT_EQ(HostCalls()[0].actionData, 3);
  EXPECT_EQ(HostCalls()[0].applied, 0);
  EXPECT_TRUE(HostUnchanged());
}

TEST_F(MatrixFilterDialog, VisualiserThenAppliquerRunsOnceAndReportsTheBufferCurrent) {
  Run([&](TFiltresMX& d) {
    d.TypeFiltres.Pick(0);
    d.Visu.Click();
    ASSERT_EQ(HostCalls().size(), 1u);
    EXPECT_EQ(HostCalls()[0].applied, 0);
    EXPECT_EQ(HostCalls()[0].finished, 0);
    EXPECT_TRUE(HostHolds(Filtered(BuiltInFilter(0))));
    image[0] = {1, 2, 3};  // a second run would overwrite this
    d.Appliquer.Click();
  });
  ASSERT_EQ(HostCalls().size(), 2u);
  EXPECT_EQ(HostCalls()[1].actionData, 0);
  EXPECT_EQ(HostCalls()[1].applied, 1);
  EXPECT_EQ(HostCalls()[1].finished, 1);
  EXPECT_EQ(image[0].r, 3) << "Appliquer did not run the filter again";
}

TEST_F(MatrixFilterDialog, AppliquerAloneRunsAndReportsTheBufferNotPreviewed) {
  Run([](TFiltresMX& d) {
    d.TypeFiltres.Pick(4);
    d.PressEnter();
  });
  EXPECT_TRUE(HostHolds(Filtered(BuiltInFilter(4))));
  ASSERT_EQ(HostCalls().size(), 1u);
  EXPECT_EQ(HostCalls()[0].actionData, 3);
  EXPECT_EQ(HostCalls()[0].applied, 1);
}

// Any edit after "Visualiser" (a cell, the divisor, the offset, the size)
// makes "Appliquer" filter again, with the edited values. The user filter
// has a weight outside its 3 x 3 block, so that its size shows too.
TEST_F(MatrixFilterDialog, AnEditAfterVisualiserMakesAppliquerRunAgain) {
  const struct {
    const char* what;
    std::function<void(TFiltresMX&)> edit;
    std::function<void(TMatrixFilter&)> edited;
  } edits[] = {
      {"a cell", [](TFiltresMX& d) { d.CoeffFlt.EditCell(3, 3, "2"); }, [](TMatrixFilter& f) { f.Coeff[3][3] = 2; }},
      {"the divisor", [](TFiltresMX& d) { d.DenFlt.SetText("3"); }, [](TMatrixFilter& f) { f.SetDivisor(3); }},
      {"the offset", [](TFiltresMX& d) { d.DecFlt.SetText("-7"); }, [](TMatrixFilter& f) { f.Offset = -7; }},
      {"the size", [](TFiltresMX& d) { d.DimFlt.Pick(1); }, [](TMatrixFilter& f) { f.Size = 5; }},
  };
  for (const auto& e : edits) {
    SCOPED_TRACE(e.what);
    DialogModule<TFiltresMX>::Finalize();
    DialogModule<TFiltresMX>::Initialize();  // the user filter as the library starts it
    std::memcpy(image.Data(), original.Data(), kW * kH * 3);
    HostCalls().clear();
    Run([&](TFiltresMX& d) {
      d.CoeffFlt.EditCell(1, 1, "1");
      d.Visu.Click();
      e.edit(d);
      EXPECT_FALSE(d.PreviewCurrent());
      d.Appliquer.Click();
    });
    TMatrixFilter expected = BuiltInFilter(6);
    expected.Coeff[1][1] = 1;
    e.edited(expected);
    EXPECT_TRUE(HostHolds(Filtered(expected)));
    EXPECT_EQ(HostCalls().back().actionData, 3);
    EXPECT_TRUE(HostHolds(Filtered(TheDialog<TFiltresMX>().Filters()[6]))) << "the user filter keeps its edits";
  }
}

TEST_F(MatrixFilterDialog, AnUnreadableValueStopsTheRunWithItsMessage) {
  Run([](TFiltresMX& d) {
    d.DenFlt.SetText("2,5");
    d.DecFlt.SetText("abc");
    d.Appliquer.Click();
  });
  ASSERT_EQ(TheState().boxes.size(), 1u);
  EXPECT_EQ(TheState().boxes[0].text, "'abc' n'est pas une valeur enti\xE8re correcte");
  EXPECT_EQ(TheState().boxes[0].icon, ui::BoxIcon::Error);
  EXPECT_TRUE(HostUnchanged());
  ASSERT_EQ(HostCalls().size(), 1u) << "only the closing call";
  EXPECT_EQ(HostCalls()[0].applied, 0);
  EXPECT_EQ(TheDialog<TFiltresMX>().Filters()[6].Divisor(), 2.5L) << "fields before the faulty one are taken";
}

TEST_F(MatrixFilterDialog, ADivisorOfZeroWritesNothing) {
  image[0] = {0, 0, 5};  // red comes first
  original = image.Copy();
  Run([](TFiltresMX& d) {
    d.DenFlt.SetText("0");
    d.Visu.Click();
    d.Annuler.Click();
  });
  ASSERT_EQ(TheState().boxes.size(), 1u);
  EXPECT_EQ(TheState().boxes[0].text, "Division par z\xE9ro en virgule flottante");
  EXPECT_TRUE(HostUnchanged());
  ASSERT_EQ(HostCalls().size(), 1u);
  EXPECT_EQ(HostCalls()[0].actionData, 3) << "a failed run leaves the buffer not previewed";
}

TEST_F(MatrixFilterDialog, ZeroOverZeroIsAnInvalidOperation) {
  image[0] = {9, 9, 0};  // the first division, red of the first pixel, is 0 / 0
  Run([](TFiltresMX& d) {
    d.DenFlt.SetText("0");
    d.Appliquer.Click();
  });
  ASSERT_EQ(TheState().boxes.size(), 1u);
  EXPECT_EQ(TheState().boxes[0].text, "Op\xE9ration en virgule flottante incorrecte");
  EXPECT_EQ(HostCalls().back().applied, 0);
  EXPECT_EQ(image[1].r, original[1].r);
}

TEST_F(MatrixFilterDialog, TypingRenamesTheEditableFilter) {
  Run([](TFiltresMX& d) {
    d.TypeFiltres.Type("Mon filtre de contours");
    EXPECT_EQ(d.TypeFiltres.Items()[6], "Mon filtre de contours");
    EXPECT_EQ(d.Filters()[6].Name(), "Mon filtre de co");
    d.TypeFiltres.Pick(1);
    d.TypeFiltres.Type("ignored");  // a read-only entry shows a list only
    EXPECT_EQ(d.Filters()[1].Name(), "Accentuation");
    d.Annuler.Click();
  });
  Run([](TFiltresMX& d) {
    EXPECT_EQ(d.TypeFiltres.Items()[6], "Mon filtre de co");
    d.Annuler.Click();
  });
}

TEST_F(MatrixFilterDialog, SavingTheUserFilterNamesItAfterTheFile) {
  const std::string path = Path("un_nom_de_vingt_car.flt");
  TheState().fileAnswers.push_back({true, path});
  Run([](TFiltresMX& d) {
    d.CoeffFlt.EditCell(2, 2, "5");
    d.EnrgFlt.Click();
    EXPECT_EQ(d.TypeFiltres.Items()[6], "Utilisateur") << "listed under the new name next time";
    d.Annuler.Click();
  });
  ASSERT_EQ(TheState().fileDialogs.size(), 1u);
  const ui::FileDialogOptions& options = TheState().fileDialogs[0];
  EXPECT_TRUE(TheState().fileDialogWasSave[0]);
  EXPECT_EQ(options.filter, "Fichiers Filtre (*.flt)|*.flt");
  EXPECT_EQ(options.defaultExtension, ".flt");
  EXPECT_FALSE(options.confirmOverwrite);
  EXPECT_EQ(options.initialDirectory + "/", ::testing::TempDir());
  const TMatrixFilter saved = LoadFilterFile(path);
  EXPECT_EQ(saved.Name(), "un_nom_de_vingt_");
  EXPECT_EQ(saved.Coeff[2][2], 5);
  EXPECT_EQ(0, std::memcmp(&saved, &TheDialog<TFiltresMX>().Filters()[6], sizeof saved));
  std::remove(path.c_str());
}

TEST_F(MatrixFilterDialog, LoadedFiltersAreShownUsedAndDroppedAtTheNextOpening) {
  TMatrixFilter f = BuiltInFilter(0);
  f.SetName("Flou");
  f.SetDivisor(12345);
  f.Size = 4;
  const std::string path = Path("flou.flt");
  SaveFilterFile(path, f);
  TheState().fileAnswers.push_back({true, path});
  Run([](TFiltresMX& d) {
    d.ChargFlt.Click();
    ASSERT_EQ(d.TypeFiltres.Items().size(), 8u);
    EXPECT_EQ(d.TypeFiltres.ItemIndex(), 7);
    EXPECT_EQ(d.DenFlt.Text(), "1,235E4");
    EXPECT_EQ(d.DimFlt.ItemIndex(), 0) << "a Size of 4 shows as 3 x 3";
    EXPECT_TRUE(d.DenFlt.Enabled());
    d.Appliquer.Click();
  });
  TMatrixFilter used = f;
  used.Size = 3;
  used.SetDivisor(12350);
  EXPECT_TRUE(HostHolds(Filtered(used)));
  Run([](TFiltresMX& d) {
    EXPECT_EQ(d.TypeFiltres.Items().size(), 7u);
    EXPECT_EQ(d.Filters().size(), 7u);
    d.Annuler.Click();
  });
  std::remove(path.c_str());
}

TEST_F(MatrixFilterDialog, ASizeTheListCannotShowRunsNothingButStillReports) {
  TMatrixFilter f = BuiltInFilter(1);
  f.Size = 9;
  const std::string path = Path("neuf.flt");
  SaveFilterFile(path, f);
  TheState().fileAnswers.push_back({true, path});
  Run([](TFiltresMX& d) {
    d.ChargFlt.Click();
    EXPECT_EQ(d.DimFlt.ItemIndex(), -1);
    d.Visu.Click();
    d.Annuler.Click();
  });
  EXPECT_TRUE(HostUnchanged());
  ASSERT_EQ(HostCalls().size(), 2u);
  EXPECT_EQ(HostCalls()[0].finished, 0);
  std::remove(path.c_str());
}

TEST_F(MatrixFilterDialog, AShortFileAddsNothing) {
  std::ofstream(Path("court.flt"), std::ios::binary).write("abc", 3);
  TheState().fileAnswers.push_back({true, Path("court.flt")});
  Run([](TFiltresMX& d) {
    d.ChargFlt.Click();
    EXPECT_EQ(d.TypeFiltres.Items().size(), 7u);
    EXPECT_EQ(d.Filters().size(), 7u);
    d.Annuler.Click();
  });
  ASSERT_EQ(TheState().boxes.size(), 1u);
  EXPECT_EQ(TheState().boxes[0].text, "Lecture au-del\xE0 de la fin de fichier");
  std::remove(Path("court.flt").c_str());
}

}  // namespace
}  // namespace molvane

namespace molvane {
namespace {

// Foreign files are not validated: any 240 bytes must load, show, be taken
// back and run without a crash or a read outside the image.
TEST_F(MatrixFilterDialog, AnyRecordLoadsShowsAndRunsSafely) {
  std::mt19937 random(240);
  const std::string path = Path("hasard.flt");
  const int rounds = 300;
  for (int round = 0; round < rounds; ++round) {
    std::vector<uint8_t> bytes(240);
    for (uint8_t& b : bytes) b = uint8_t(random());
    // Keep the interesting fields plausible half of the time.
    if (round % 2) {
      const int32_t size = int32_t(random() % 9);
      std::memcpy(&bytes[20], &size, 4);
    }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), 240);
    TheState().fileAnswers.push_back({true, path});
    Run([](TFiltresMX& d) {
      d.ChargFlt.Click();
      d.Visu.Click();
      d.Appliquer.Click();
    });
    ASSERT_FALSE(HostCalls().empty());
    EXPECT_EQ(HostCalls().back().finished, 1);
  }
  std::remove(path.c_str());
}

}  // namespace
}  // namespace molvane
