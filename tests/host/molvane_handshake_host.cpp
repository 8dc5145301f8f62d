// molvane_handshake_host.exe MODE: one host process per allocator handshake case.
//
//   decoy    the first free candidates hold a reserved page, a zeroed page and
//            a record of another process; the host's record comes after them.
//            The plug-in must join the host's record, and leave it at unload.
//   blocked  no record, every candidate taken by a page that is not a record.
//            The plug-in must show its "Address already reserved." box and
//            refuse to load; the host lives on.
//   alone    no record at all. The plug-in creates one at the first free
//            candidate and frees it at unload; if its own imports left no free
//            candidate, it must fail as in "blocked".
//
// Imports only kernel32 and the C runtime (user32 is looked up at run time),
// so the candidates are still free when the host starts. Exit code 0 when the
// plug-in behaved; the reasons for a failure are printed.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "host/plugin_library.h"
#include "host/shared_record.h"

namespace {

using namespace molvane::host;

int failures = 0;

void Check(bool condition, const std::string& what) {
  std::printf("%s %s\n", condition ? "ok:    " : "FAILED:", what.c_str());
  if (!condition) ++failures;
}

std::string Hex(uintptr_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08lX", static_cast<unsigned long>(value));
  return text;
}

void* CommitAt(int candidate, DWORD type) {
  void* wanted = reinterpret_cast<void*>(RecordCandidate(candidate));
  void* page = VirtualAlloc(wanted, PageSize(), type, type == MEM_RESERVE ? PAGE_NOACCESS : PAGE_READWRITE);
  if (page && page != wanted) {
    VirtualFree(page, 0, MEM_RELEASE);
    return nullptr;
  }
  return page;
}

int NextFreeCandidate(int from) {
  for (int i = from; i < kRecordCandidates; ++i)
    if (CandidateIsFree(i)) return i;
  return -1;
}

// Watches for the plug-in's "SharedHeap" box from a thread of its own, reads
// its text and presses OK, so that a LoadLibrary showing it returns.
class BoxWatcher {
 public:
  BoxWatcher() {
    // Loaded before the plug-in, so the watcher never waits for the loader.
    HMODULE user32 = LoadLibraryA("user32.dll");
    findWindow_ = Proc<FindWindowFn>(user32, "FindWindowA");
    getDlgItemText_ = Proc<GetDlgItemTextFn>(user32, "GetDlgItemTextA");
    postMessage_ = Proc<PostMessageFn>(user32, "PostMessageA");
    started_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, &BoxWatcher::Run, this, 0, nullptr);
    // A thread that is still starting would wait for the loader lock that the
    // plug-in's load holds while its box is up.
    WaitForSingleObject(started_, INFINITE);
  }
  ~BoxWatcher() {
    SetEvent(stop_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    CloseHandle(started_);
    CloseHandle(stop_);
  }
  int Boxes() const { return boxes_; }
  const std::string& Text() const { return text_; }

 private:
  using FindWindowFn = HWND(WINAPI*)(LPCSTR, LPCSTR);
  using GetDlgItemTextFn = UINT(WINAPI*)(HWND, int, LPSTR, int);
  using PostMessageFn = BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
  static constexpr int kMessageBoxTextId = 0xFFFF;

  template <typename Fn>
  static Fn Proc(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
  }

  static DWORD WINAPI Run(void* self) {
    auto* watcher = static_cast<BoxWatcher*>(self);
    SetEvent(watcher->started_);
    HWND last = nullptr;
    while (WaitForSingleObject(watcher->stop_, 20) == WAIT_TIMEOUT) {
      HWND box = watcher->findWindow_(nullptr, "SharedHeap");
      if (!box || box == last) continue;
      char text[256] = {};
      watcher->getDlgItemText_(box, kMessageBoxTextId, text, sizeof text);
      watcher->text_ = text;
      ++watcher->boxes_;
      last = box;
      watcher->postMessage_(box, WM_COMMAND, IDOK, 0);
    }
    return 0;
  }

  FindWindowFn findWindow_;
  GetDlgItemTextFn getDlgItemText_;
  PostMessageFn postMessage_;
  HANDLE started_;
  HANDLE stop_;
  HANDLE thread_;
  volatile int boxes_ = 0;
  std::string text_;
};

const char kReservedText[] = "Shared Memory Allocator setup failed: Address already reserved.";

std::string PluginPath() { return ModuleFolder(reinterpret_cast<const void*>(&Check)) + "Molvane.dll"; }

int Decoy() {
  const int reserved = NextFreeCandidate(0);
  const int zeroed = NextFreeCandidate(reserved + 1);
  const int foreign = NextFreeCandidate(zeroed + 1);
  if (reserved < 0 || zeroed < 0 || foreign < 0) {
    std::printf("FAILED: fewer than four free candidates to start with\n");
    return 1;
  }
  CommitAt(reserved, MEM_RESERVE);
  CommitAt(zeroed, MEM_RESERVE | MEM_COMMIT);
  // A record that would be valid in the process with the next id.
  auto* other = static_cast<uint8_t*>(CommitAt(foreign, MEM_RESERVE | MEM_COMMIT));
  const uint64_t otherId = uint64_t(GetCurrentProcessId()) + 4;
  const uint64_t signature1 = otherId ^ 0xBABE01234567FEEDull;
  const uint64_t signature2 = otherId ^ 0xF00D76543210B00Bull;
  const int32_t one = 1;
  std::memcpy(other, &one, 4);
  std::memcpy(other + 8, &signature1, 8);
  std::memcpy(other + 32, &signature2, 8);

  std::string error;
  if (!StartSharedAllocator(error)) {
    std::printf("FAILED: %s\n", error.c_str());
    return 1;
  }
  std::vector<RecordView> records = FindRecords();
  if (records.size() != 1) {
    std::printf("FAILED: the host's record was not found\n");
    return 1;
  }
  const RecordView hosts = records[0];
  std::printf("decoys at candidates %d (reserved), %d (zeros), %d (another process's record); "
              "the host's record at %d (%s)\n",
              reserved, zeroed, foreign, hosts.candidate, Hex(hosts.address).c_str());
  Check(hosts.candidate > foreign, "the host's record lies beyond the decoys");

  BoxWatcher watcher;
  PluginLibrary plugin;
  const bool loaded = plugin.Load(PluginPath(), error);
  Check(loaded, "the plug-in loads" + (loaded ? std::string() : ": " + error));
  Check(watcher.Boxes() == 0, "no box was shown" + (watcher.Boxes() ? ": \"" + watcher.Text() + "\"" : ""));
  records = FindRecords();
  Check(records.size() == 1 && records[0].address == hosts.address,
        "the plug-in made no record of its own");
  Check(!records.empty() && records[0].refCount == hosts.refCount + 1,
        "the record counts the plug-in while it is loaded");
  int32_t zero = 1;
  std::memcpy(&zero, reinterpret_cast<void*>(RecordCandidate(zeroed)), 4);
  Check(zero == 0, "the zeroed page was left alone");
  int32_t otherCount = 0;
  std::memcpy(&otherCount, other, 4);
  Check(otherCount == 1, "the other process's record was left alone");

  plugin.Unload();
  records = FindRecords();
  Check(records.size() == 1 && records[0].refCount == hosts.refCount,
        "the plug-in left the record at unload");
  if (!StopSharedAllocator(error)) {
    std::printf("FAILED: %s\n", error.c_str());
    return 1;
  }
  return failures ? 1 : 0;
}

int Blocked() {
  int blocked = 0;
  for (int i = 0; i < kRecordCandidates; ++i)
    if (CandidateIsFree(i) && CommitAt(i, MEM_RESERVE | MEM_COMMIT)) ++blocked;
  std::printf("%d free candidate(s) filled with zeroed pages\n", blocked);
  Check(NextFreeCandidate(0) < 0 && FindRecords().empty(), "no candidate is free and none holds a record");

  BoxWatcher watcher;
  PluginLibrary plugin;
  std::string error;
  const bool loaded = plugin.Load(PluginPath(), error);
  Check(!loaded, "the plug-in refuses to load");
  Check(watcher.Boxes() == 1, "one \"SharedHeap\" box was shown (" + std::to_string(watcher.Boxes()) + ")");
  Check(watcher.Text() == kReservedText, "its text is \"" + std::string(kReservedText) + "\" (\"" + watcher.Text() + "\")");
  Check(FindRecords().empty(), "no record was made");
  std::printf("the host is still running\n");
  return failures ? 1 : 0;
}

// The candidates as the plug-in will find them: with the libraries it
// imports already loaded (under Wine those fill the candidates), read from
// its import table without running any of its code.
int FirstFreeCandidateForPlugin() {
  HMODULE image = LoadLibraryExA(PluginPath().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  if (!image) return -2;
  const auto* base = reinterpret_cast<const uint8_t*>(image);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  std::vector<std::string> names;
  if (imports.VirtualAddress) {
    for (const auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         entry->Name; ++entry)
      names.push_back(reinterpret_cast<const char*>(base + entry->Name));
  }
  FreeLibrary(image);
  std::printf("the plug-in imports:");
  for (const std::string& name : names) {
    std::printf(" %s", name.c_str());
    LoadLibraryA(name.c_str());
  }
  std::printf("\n");
  return NextFreeCandidate(0);
}

int Alone() {
  Check(FindRecords().empty(), "no record before the plug-in loads");
  const int expected = FirstFreeCandidateForPlugin();
  if (expected == -2) {
    std::printf("FAILED: cannot map %s\n", PluginPath().c_str());
    return 1;
  }
  std::printf("first free candidate with the plug-in's imports loaded: %d\n", expected);

  BoxWatcher watcher;
  PluginLibrary plugin;
  std::string error;
  const bool loaded = plugin.Load(PluginPath(), error);
  if (expected < 0) {
    Check(!loaded, "with no free candidate the plug-in refuses to load");
    Check(watcher.Boxes() == 1 && watcher.Text() == kReservedText,
          "and shows \"" + std::string(kReservedText) + "\" (\"" + watcher.Text() + "\")");
    return failures ? 1 : 0;
  }
  Check(loaded, "the plug-in loads" + (loaded ? std::string() : ": " + error));
  Check(watcher.Boxes() == 0, "no box was shown" + (watcher.Boxes() ? ": \"" + watcher.Text() + "\"" : ""));
  const std::vector<RecordView> records = FindRecords();
  Check(records.size() == 1 && records[0].candidate == expected,
        "the plug-in created the record at candidate " + std::to_string(expected));
  Check(!records.empty() && records[0].refCount == 1, "the record counts one module");
  plugin.Unload();
  Check(FindRecords().empty(), "no record after unload");
  Check(CandidateIsFree(expected), "the record's page was freed");
  return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc == 2 ? argv[1] : "";
  int result = 2;
  if (mode == "decoy") result = Decoy();
  else if (mode == "blocked") result = Blocked();
  else if (mode == "alone") result = Alone();
  else std::fprintf(stderr, "usage: molvane_handshake_host decoy|blocked|alone\n");
  std::fflush(stdout);
  return result;
}
