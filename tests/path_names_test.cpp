// Paths as text: folder, file name, stem and extension with either separator, and names joined to folders.
#include "platform/path_names.h"

#include <gtest/gtest.h>

namespace molvane {
namespace {

TEST(PathNames, SplitWithEitherSeparator) {
  const struct {
    const char* path;
    const char* folder;
    const char* fileName;
    const char* stem;
    const char* extension;
  } cases[] = {
      {"C:\\photos\\chat.jpg", "C:\\photos\\", "chat.jpg", "chat", ".jpg"},
      {"a\\b/archive.tar.gz", "a\\b/", "archive.tar.gz", "archive.tar", ".gz"},
      {"C:\\v1.2\\LISEZMOI", "C:\\v1.2\\", "LISEZMOI", "LISEZMOI", ""},  // a dot in a folder
      {"filtre", "", "filtre", "filtre", ""},
      {".flt", "", ".flt", "", ".flt"},
      {"Z:\\", "Z:\\", "", "", ""},
      {"", "", "", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FolderOf(c.path), c.folder) << c.path;
    EXPECT_EQ(FileNameOf(c.path), c.fileName) << c.path;
    EXPECT_EQ(StemOf(c.path), c.stem) << c.path;
    EXPECT_EQ(ExtensionOf(c.path), c.extension) << c.path;
  }
}

TEST(PathNames, InFolderAddsOneSeparatorWhereNoneIs) {
  EXPECT_EQ(InFolder("C:\\sortie", "chat.png"), "C:\\sortie\\chat.png");
  EXPECT_EQ(InFolder("C:\\sortie\\", "chat.png"), "C:\\sortie\\chat.png");
  EXPECT_EQ(InFolder("/tmp/", "chat.png"), "/tmp/chat.png");
  EXPECT_EQ(InFolder("", "chat.png"), "chat.png");
}

}  // namespace
}  // namespace molvane
