// Damaged files of every kind the viewer reads, through the reading code the viewer and the batch host share,
// then through the batch host's own process: the image or a French message, never a crash, a hang or memory
// beyond the budget. MOLVANE_MUTATIONS=N sets the mutations of each seed (200 by default).
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/image_files.h"
#include "host/image_precheck.h"
#include "host/plugin_library.h"
#include "host_test_support.h"
#include "image_mutations.h"

namespace molvane::hosttest {
namespace {

constexpr DWORD kHangMs = 5000;

uint32_t MutationsPerSeed() {
  const char* asked = std::getenv("MOLVANE_MUTATIONS");
  return asked && std::atoi(asked) > 0 ? uint32_t(std::atoi(asked)) : 200;
}

// One read, on a thread of its own so that a hang shows as one.
struct Read {
  explicit Read(std::string file) : path(std::move(file)) {}
  std::string path;
  host::Bitmap24 image;
  std::string error;
  bool ok = false;
};

DWORD WINAPI ReadOnItsThread(void* read) {
  auto* r = static_cast<Read*>(read);
  r->ok = host::ReadImageFile(r->path, r->image, r->error);
  return 0;
}

// False when the read has not ended within kHangMs; `read` is then left to its thread.
bool ReadWithin(Read* read, DWORD& ms) {
  const DWORD start = GetTickCount();
  HANDLE thread = CreateThread(nullptr, 0, &ReadOnItsThread, read, 0, nullptr);
  const bool ended = WaitForSingleObject(thread, kHangMs) == WAIT_OBJECT_0;
  CloseHandle(thread);
  ms = GetTickCount() - start;
  return ended;
}

// French text from our own catalogue: a capital, a full stop, none of the
// English of the host's own BMP decoder.
bool LooksLikeOurMessage(const std::string& text) {
  return !text.empty() && text[0] >= 'A' && text[0] <= 'Z' && text.back() == '.';
}

size_t PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PeakWorkingSetSize;
}

std::string Tail(const std::string& text) { return text.substr(text.size() - std::min<size_t>(2000, text.size())); }

struct Tally {
  int files = 0, images = 0, refusedByCheck = 0, refusedByCodec = 0;
  DWORD slowestMs = 0;
};

TEST(DamagedFiles, EveryMutationGivesTheImageOrAMessageInBothHosts) {
  const uint32_t count = MutationsPerSeed();
  const std::string folder = TemporaryFolder("molvane-damaged");
  TemporaryFolder("molvane-damaged\\out");
  const size_t peakBefore = PeakWorkingSet();
  const DWORD started = GetTickCount();
  std::vector<std::string> names;
  std::map<std::string, std::string> refusals;  // file name -> message
  std::map<std::string, std::string> damage;    // file name -> what was done to it
  for (const ImageSeed& seed : ImageSeeds()) {
    SCOPED_TRACE(seed.name);
    Read sound{folder + "sound" + seed.extension};
    WriteBytes(sound.path, seed.bytes);
    DWORD ms = 0;
    ASSERT_TRUE(ReadWithin(&sound, ms));
    ASSERT_TRUE(sound.ok) << sound.error;
    EXPECT_EQ(sound.image.width, 23);
    Tally tally;
    for (uint32_t number = 0; number < count; ++number) {
      const Mutation m = Mutate(seed, number);
      const std::string name = seed.name + "-" + std::to_string(number) + seed.extension;
      SCOPED_TRACE(name + ": " + m.what);
      names.push_back(name);
      damage[name] = m.what;
      WriteBytes(folder + name, m.bytes);
      std::string problem;
      {
        const GuardedBytes guarded(m.bytes);
        host::CheckImageStructure(guarded.data(), guarded.size(), problem);
      }
      auto* read = new Read{folder + name};
      if (!ReadWithin(read, ms)) FAIL() << "still reading after " << kHangMs << " ms";
      ++tally.files;
      tally.slowestMs = std::max(tally.slowestMs, ms);
      if (read->ok) {
        ++tally.images;
        EXPECT_TRUE(problem.empty()) << problem;
        EXPECT_TRUE(read->image.width > 0 && read->image.height > 0 &&
                    read->image.pixels.size() == size_t(read->image.width) * size_t(read->image.height) &&
                    host::WhyTooLarge(uint64_t(read->image.width), uint64_t(read->image.height)).empty());
      } else {
        ++(problem.empty() ? tally.refusedByCodec : tally.refusedByCheck);
        if (!problem.empty()) EXPECT_EQ(read->error, problem);
        EXPECT_TRUE(LooksLikeOurMessage(read->error)) << read->error;
        refusals[name] = read->error;
      }
      delete read;
    }
    std::printf("%-6s %d files: %d images, %d refused by the check, %d by the codec; slowest read %lu ms\n",
                seed.name.c_str(), tally.files, tally.images, tally.refusedByCheck, tally.refusedByCodec,
                (unsigned long)tally.slowestMs);
  }
  const size_t peakGrowth = PeakWorkingSet() - std::min(PeakWorkingSet(), peakBefore);
  std::printf("read in this process in %lu ms, peak working set %lu MiB above its start\n",
              (unsigned long)(GetTickCount() - started), (unsigned long)(peakGrowth >> 20));
  EXPECT_LE(peakGrowth, 2 * host::kMaxImagePixelBytes);

  // The batch host on the same files, in runs whose command lines Windows takes.
  const DWORD batchStarted = GetTickCount();
  for (size_t first = 0; first < names.size();) {
    std::vector<std::string> part;
    for (size_t length = 0; first < names.size() && length < 24000; length += names[first].size() + 1)
      part.push_back(names[first++]);
    std::string arguments = "--tool reduction --out out";
    for (const std::string& name : part) arguments += " " + name;
    const ProgramRun run = RunProgram("molvane_host.exe", arguments, folder, DWORD(part.size()) * kHangMs + 30000);
    ASSERT_TRUE(run.ended) << "the batch host hangs; it printed:\n" << Tail(run.output);
    ASSERT_TRUE(run.exitCode == 0 || run.exitCode == 1)
        << "the batch host ended with code " << run.exitCode << "; it printed:\n" << Tail(run.output);
    for (size_t i = 0; i < part.size(); ++i) {
      const std::string head = "[" + std::to_string(i + 1) + "/" + std::to_string(part.size()) + "] " + part[i] + ": ";
      const auto refused = refusals.find(part[i]);
      const std::string line = head + (refused == refusals.end() ? "written to " : "FAILED, " + refused->second + " (");
      EXPECT_NE(run.output.find(line), std::string::npos) << "no line " << line << " for " << damage[part[i]];
    }
  }
  std::printf("%lu files through the batch host in %lu ms\n", (unsigned long)names.size(),
              (unsigned long)(GetTickCount() - batchStarted));
}

// Sizes beyond the budget, announced by each kind's header over the seed's
// few pixels: refused by the check, before a codec sees the file and
// allocates what it announces.
TEST(DamagedFiles, ImagesBeyondTheBudgetAreRefusedBeforeAnyCodec) {
  const std::string folder = TemporaryFolder("molvane-damaged");
  const struct {
    uint32_t width, height;
  } sizes[] = {{65535, 65535}, {16000, 16000}, {70000, 2}};
  for (const ImageSeed& seed : ImageSeeds()) {
    for (const auto& size : sizes) {
      if ((seed.extension == ".gif" || seed.extension == ".jpg") && size.width > 65535) continue;  // 16-bit sides
      const std::string said = std::to_string(size.width) + " x " + std::to_string(size.height);
      SCOPED_TRACE(seed.name + " of " + said);
      const std::vector<uint8_t> bytes = Resized(seed, size.width, size.height);
      std::string problem;
      host::CheckImageStructure(bytes.data(), bytes.size(), problem);
      EXPECT_EQ(problem.rfind("L'image est trop grande (" + said + " pixels)", 0), 0u) << problem;
      Read read{folder + "trop-grande" + seed.extension};
      WriteBytes(read.path, bytes);
      DWORD ms = 0;
      ASSERT_TRUE(ReadWithin(&read, ms));
      EXPECT_FALSE(read.ok);
      EXPECT_EQ(read.error, problem);
    }
  }
}

}  // namespace
}  // namespace molvane::hosttest
