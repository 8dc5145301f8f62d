// The four exports of the real plug-in: loading, ordinals, PrmDLL and AddMenu.
#include <gtest/gtest.h>

#include <string>

#include "host_test_support.h"

namespace molvane::hosttest {
namespace {

TEST(PluginExports, ResolveByNameAndByOrdinalToTheSameFunctions) {
  host::PluginLibrary& plugin = Plugin();
  ASSERT_TRUE(plugin.Loaded()) << PluginPath();
  const host::PluginExports byName = plugin.ByName();
  const host::PluginExports byOrdinal = plugin.ByOrdinal();
  ASSERT_TRUE(byName.Complete()) << "an export is missing by name";
  ASSERT_TRUE(byOrdinal.Complete()) << "an ordinal 1..4 is missing";
  EXPECT_EQ(reinterpret_cast<void*>(byName.XchgData), reinterpret_cast<void*>(byOrdinal.XchgData)) << "ordinal 1";
  EXPECT_EQ(reinterpret_cast<void*>(byName.AddMenu), reinterpret_cast<void*>(byOrdinal.AddMenu)) << "ordinal 2";
  EXPECT_EQ(reinterpret_cast<void*>(byName.PrmDLL), reinterpret_cast<void*>(byOrdinal.PrmDLL)) << "ordinal 3";
  EXPECT_EQ(reinterpret_cast<void*>(byName.AdrRetour), reinterpret_cast<void*>(byOrdinal.AdrRetour)) << "ordinal 4";
}

TEST(PrmDLL, ReportsVersionFourZeroMenuDiversAndDisplayName) {
  ASSERT_NE(Exports().PrmDLL, nullptr);
  int32_t major = -1;
  int32_t minor = -1;
  const char* menu = nullptr;
  const char* name = Exports().PrmDLL(&major, &minor, &menu);
  EXPECT_EQ(major, 4);
  EXPECT_EQ(minor, 0);
  ASSERT_NE(menu, nullptr);
  EXPECT_STREQ(menu, "Divers");
  ASSERT_NE(name, nullptr);
  const std::string display(name);
  EXPECT_EQ(display.rfind("Pelmorande (", 0), 0u) << display;
  EXPECT_EQ(display.back(), ')') << display;

  // The texts are the library's constants: a second call hands out the same ones.
  const char* menuAgain = nullptr;
  EXPECT_EQ(Exports().PrmDLL(&major, &minor, &menuAgain), name);
  EXPECT_EQ(menuAgain, menu);
}

TEST(AddMenu, IndexZeroGivesTheMenuCaptionAndTheItemCount) {
  ASSERT_NE(Exports().AddMenu, nullptr);
  int32_t index = 0;
  const char* caption = Exports().AddMenu(&index);
  ASSERT_NE(caption, nullptr);
  EXPECT_STREQ(caption, "Divers");
  EXPECT_EQ(index, 8);
}

TEST(AddMenu, ItemsOneToEightAreTheCaptionsInWindows1252) {
  ASSERT_NE(Exports().AddMenu, nullptr);
  // Byte for byte: e acute is E9 in Windows-1252.
  const char* const expected[8] = {
      "Comparaison",
      "R\xE9" "duction de bruit",
      "Filtres matriciels",
      "Modification du fond",
      "Vignetage",
      "Seuillage",
      "Fusionner",
      "Compenser d\xE9" "grad\xE9",
  };
  for (int32_t item = 1; item <= 8; ++item) {
    SCOPED_TRACE("item " + std::to_string(item));
    int32_t index = item;
    const char* caption = Exports().AddMenu(&index);
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(std::string(caption), std::string(expected[item - 1]));
    EXPECT_EQ(index, item) << "AddMenu changed a nonzero index";
  }
}

}  // namespace
}  // namespace molvane::hosttest
