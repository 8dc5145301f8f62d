// FakePlatform: a simulated process (address space, message boxes, files) for the native tests.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace molvane {

class FakePlatform : public Platform {
 public:
  enum class PageState {
    Free,       // nothing there: AllocatePage may take it
    Reserved,   // reserved but not committed: neither free nor readable
    ReadOnly,   // committed, readable, not writable by the program
    ReadWrite,  // committed, readable and writable
  };

  struct Message {
    std::string text;
    std::string caption;
  };

  enum class PageCall { Allocate, Decommit, Release };
  struct PageEvent {
    PageCall call;
    uintptr_t address;  // requested address for Allocate
    uintptr_t result;   // address obtained for Allocate, 0 otherwise
  };

  FakePlatform() { Reset(); }

  // Back to an empty process: 4096-byte pages, highest address 7FFEFFFF,
  // process id 0x1234, every address free, nothing recorded.
  void Reset();

  void SetPageSize(uint32_t pageSize) { pageSize_ = pageSize; }
  void SetMaximumApplicationAddress(uintptr_t address) { maximumAddress_ = address; }
  void SetProcessId(uint32_t processId) { processId_ = processId; }
  // Puts one page (the one holding `address`) into `state`; committed pages
  // start zeroed. Returns the page's bytes, null when it is not committed.
  unsigned char* SetPage(uintptr_t address, PageState state);
  PageState StateOf(uintptr_t address) const;
  // An AllocatePage at `requested` gets a fresh page at `obtained` instead.
  void RelocateAllocation(uintptr_t requested, uintptr_t obtained);

  void SetModuleFileName(const std::string& name) { moduleFileName_ = name; }
  void SetFileVersionInfo(const std::string& fileName, std::vector<uint8_t> resource);

  const std::vector<Message>& Messages() const { return messages_; }
  const std::vector<uint32_t>& Terminations() const { return terminations_; }
  const std::vector<PageEvent>& PageEvents() const { return pageEvents_; }
  // Reads of memory that is not committed and readable; a real process would
  // have faulted on each.
  int BadReads() const { return badReads_; }
  // Pages currently committed by AllocatePage.
  int CommittedByProgram() const;

  SystemInfo GetSystemInfo() override;
  uintptr_t AllocatePage(uintptr_t address, uint32_t size) override;
  bool IsReadable(uintptr_t address, uint32_t size) override;
  void* At(uintptr_t address) override;
  void DecommitPage(uintptr_t address, uint32_t size) override;
  void ReleasePage(uintptr_t address) override;
  uint32_t CurrentProcessId() override { return processId_; }
  void ShowMessage(const char* text, const char* caption) override;
  void TerminateCurrentProcess(uint32_t exitCode) override;
  std::string ModuleFileName() override { return moduleFileName_; }
  std::string ExecutableFileName() override { return executableFileName_; }
  void SetExecutableFileName(const std::string& name) { executableFileName_ = name; }
  std::vector<uint8_t> FileVersionInfo(const std::string& fileName) override;

 private:
  struct Page {
    PageState state = PageState::Free;
    bool byProgram = false;  // obtained through AllocatePage
    std::vector<unsigned char> bytes;
  };

  uintptr_t PageBase(uintptr_t address) const { return address / pageSize_ * pageSize_; }
  Page* Find(uintptr_t address);
  const Page* Find(uintptr_t address) const;

  uint32_t pageSize_ = 4096;
  uintptr_t maximumAddress_ = 0x7FFEFFFF;
  uint32_t processId_ = 0x1234;
  std::map<uintptr_t, Page> pages_;
  std::map<uintptr_t, uintptr_t> relocations_;
  std::vector<Message> messages_;
  std::vector<uint32_t> terminations_;
  std::vector<PageEvent> pageEvents_;
  int badReads_ = 0;
  std::string moduleFileName_;
  std::string executableFileName_;
  std::map<std::string, std::vector<uint8_t>> versionResources_;
  std::vector<unsigned char> nothing_;
};

// The process-wide fake that SystemPlatform() returns in the native build.
FakePlatform& TheFakePlatform();

}  // namespace molvane
