// Saves that fail leave the file that was there byte for byte, no temporary file beside it, and say why in French:
// failures put into each file system call (a full disk, a read-only folder, a file held open, a refused name),
// and the failures Wine really gives, met by the viewer's save and the batch host's output.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "dialog_test_support.h"
#include "host/file_replacement.h"
#include "host/viewer/image_document.h"
#include "host/viewer/main_frame.h"
#include "host_test_support.h"
#include "platform/path_names.h"

namespace molvane::hosttest {
namespace {

const char kKept[] = "Le fichier existant est resté tel qu'il était.";

std::vector<std::string> NamesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) names.push_back(found.cFileName);
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The system's file calls, one of which fails with `error`; a failing write
// first puts half the bytes on disk, as a disk that fills up does.
class FailingFileSystem : public host::FileSystem {
 public:
  enum Call { kCreateTemporary, kWrite, kReplace };
  FailingFileSystem(Call call, DWORD error) : call_(call), error_(error) {}
  bool CreateTemporary(const std::string& folder, std::string& path) override {
    return call_ == kCreateTemporary ? Fail() : FileSystem::CreateTemporary(folder, path);
  }
  bool Write(const std::string& path, const uint8_t* data, size_t size) override {
    if (call_ != kWrite) return FileSystem::Write(path, data, size);
    FileSystem::Write(path, data, size / 2);
    return Fail();
  }
  bool Replace(const std::string& from, const std::string& to) override {
    return call_ == kReplace ? Fail() : FileSystem::Replace(from, to);
  }

 private:
  bool Fail() const {
    SetLastError(error_);
    return false;
  }
  Call call_;
  DWORD error_;
};

TEST(SafeSaves, AFailureAtAnyStepLeavesTheFileAndNoTemporaryFile) {
  const std::string folder = TemporaryFolder("molvane-saves");
  const std::string target = folder + "photo.png";
  const std::vector<uint8_t> before = {'a', 'n', 'c', 'i', 'e', 'n'};
  const std::vector<uint8_t> after(100000, 0x5A);
  const struct {
    FailingFileSystem::Call call;
    DWORD error;
    const char* says;
  } cases[] = {
      {FailingFileSystem::kWrite, ERROR_DISK_FULL, "Le disque est plein."},
      {FailingFileSystem::kWrite, ERROR_HANDLE_DISK_FULL, "Le disque est plein."},
      {FailingFileSystem::kCreateTemporary, ERROR_ACCESS_DENIED, "molvane-saves » est protégé en écriture."},
      {FailingFileSystem::kCreateTemporary, ERROR_WRITE_PROTECT, "Le disque est protégé en écriture."},
      {FailingFileSystem::kReplace, ERROR_SHARING_VIOLATION, "ouvert dans un autre programme"},
      {FailingFileSystem::kReplace, ERROR_ACCESS_DENIED, "ouvert dans un autre programme, ou protégé"},
      {FailingFileSystem::kWrite, ERROR_IO_DEVICE, "(erreur système 1117)"},
  };
  for (const bool existed : {true, false}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.says) + (existed ? ", over a file" : ", a new file"));
      DeleteFileA(target.c_str());
      if (existed) WriteBytes(target, before);
      const std::vector<std::string> names = NamesIn(folder);
      FailingFileSystem files(c.call, c.error);
      std::string error;
      EXPECT_FALSE(host::ReplaceFileWith(target, after, error, files));
      EXPECT_TRUE(Contains(error, c.says)) << error;
      EXPECT_EQ(Contains(error, kKept), existed) << error;
      EXPECT_EQ(BytesOf(target), existed ? before : std::vector<uint8_t>());
      EXPECT_EQ(NamesIn(folder), names);
    }
  }
  // Nothing failing: the new bytes in place, nothing beside them.
  WriteBytes(target, before);
  const std::vector<std::string> names = NamesIn(folder);
  std::string error;
  EXPECT_TRUE(host::ReplaceFileWith(target, after, error)) << error;
  EXPECT_EQ(BytesOf(target), after);
  EXPECT_EQ(NamesIn(folder), names);
}

// Failures Wine gives for real, in the viewer's save and the batch host's
// output: the reason named, the file kept, nothing left beside it.
TEST(SafeSaves, TheViewerAndTheBatchHostKeepAFileTheyCannotReplace) {
  const std::string folder = TemporaryFolder("molvane-saves");
  ASSERT_TRUE(CopyFileA(DataFile("chelsea.png").c_str(), (folder + "photo.png").c_str(), FALSE));
  viewer::ViewerOptions options;
  options.plugin = PluginPath();
  options.files = {folder + "photo.png"};
  const std::unique_ptr<viewer::MainFrame> frame = viewer::MainFrame::Create(options);
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  const std::vector<uint8_t> before = {'a', 'n', 'c', 'i', 'e', 'n'};
  const struct {
    const char* name;
    bool exists, readOnly, heldOpen;
    const char* says;
  } cases[] = {
      {"lecture-seule.png", true, true, false, "Le fichier est en lecture seule."},
      {"ouvert.png", true, false, true, "ouvert dans un autre programme"},
      {"nom?.png", false, false, false, "Windows refuse ce nom de fichier"},
      {"absent\\photo.png", false, false, false, "absent » n'existe pas."},
  };
  for (const bool byViewer : {true, false}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (byViewer ? " by the viewer" : " by the batch host"));
      const std::string path = folder + c.name;
      if (c.exists) WriteBytes(path, before);
      if (c.readOnly) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
      HANDLE held = c.heldOpen ? CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                               : INVALID_HANDLE_VALUE;
      const std::vector<std::string> names = NamesIn(folder);
      std::string said;
      if (byViewer) {
        said = AnswerBox([&] { EXPECT_FALSE(frame->SaveAs(*frame->Views()[0], path)); });
        EXPECT_TRUE(Contains(said, "Impossible d'enregistrer « " + FileNameOf(path) + " »")) << said;
      } else {
        const ProgramRun run =
            RunProgram("molvane_host.exe", std::string("--tool reduction photo.png \"") + c.name + "\"", folder, 60000);
        EXPECT_EQ(run.exitCode, 1u) << run.output;
        said = run.output;
      }
      if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      EXPECT_TRUE(Contains(said, c.says)) << said;
      EXPECT_EQ(Contains(said, kKept), c.exists) << said;
      EXPECT_EQ(BytesOf(path), c.exists ? before : std::vector<uint8_t>());
      EXPECT_EQ(NamesIn(folder), names);
      DeleteFileA(path.c_str());
    }
  }
  EXPECT_EQ(frame->Views()[0]->Document().Path(), folder + "photo.png");
}

// Run by full_disk_case.sh in the folder of a small disk it has filled up
// (MOLVANE_FULL_DISK), where photo-reduction.jpg holds "ancien".
TEST(FullDisk, TheViewerSaysSoAndKeepsTheFile) {
  const char* full = std::getenv("MOLVANE_FULL_DISK");
  if (!full) GTEST_SKIP() << "full_disk_case.sh runs this on a disk it fills";
  const std::string folder = std::string(full) + "\\", target = folder + "photo-reduction.jpg";
  viewer::ViewerOptions options;
  options.plugin = PluginPath();
  options.files = {DataFile("chelsea.png")};
  const std::unique_ptr<viewer::MainFrame> frame = viewer::MainFrame::Create(options);
  ASSERT_TRUE(frame && frame->Views().size() == 1u);
  const std::vector<std::string> names = NamesIn(folder);
  const std::string said = AnswerBox([&] { EXPECT_FALSE(frame->SaveAs(*frame->Views()[0], target)); });
  EXPECT_TRUE(Contains(said, "Le disque est plein.")) << said;
  EXPECT_TRUE(Contains(said, kKept)) << said;
  EXPECT_EQ(BytesOf(target), (std::vector<uint8_t>{'a', 'n', 'c', 'i', 'e', 'n'}));
  EXPECT_EQ(NamesIn(folder), names);
}

}  // namespace
}  // namespace molvane::hosttest
