// FakePlatform: pages in a map, calls recorded for the tests to inspect.
#include "platform/fake/fake_platform.h"

#include <utility>

namespace molvane {

void FakePlatform::Reset() {
  pageSize_ = 4096;
  maximumAddress_ = 0x7FFEFFFF;
  processId_ = 0x1234;
  pages_.clear();
  relocations_.clear();
  messages_.clear();
  terminations_.clear();
  pageEvents_.clear();
  badReads_ = 0;
  moduleFileName_.clear();
  executableFileName_.clear();
  versionResources_.clear();
}

unsigned char* FakePlatform::SetPage(uintptr_t address, PageState state) {
  const uintptr_t base = PageBase(address);
  if (state == PageState::Free) {
    pages_.erase(base);
    return nullptr;
  }
  Page& page = pages_[base];
  page.state = state;
  page.byProgram = false;
  if (state == PageState::Reserved) {
    page.bytes.clear();
    return nullptr;
  }
  page.bytes.assign(pageSize_, 0);
  return page.bytes.data();
}

FakePlatform::PageState FakePlatform::StateOf(uintptr_t address) const {
  const Page* page = Find(address);
  return page ? page->state : PageState::Free;
}

void FakePlatform::RelocateAllocation(uintptr_t requested, uintptr_t obtained) {
  relocations_[requested] = obtained;
}

void FakePlatform::SetFileVersionInfo(const std::string& fileName, std::vector<uint8_t> resource) {
  versionResources_[fileName] = std::move(resource);
}

int FakePlatform::CommittedByProgram() const {
  int count = 0;
  for (const auto& entry : pages_) {
    if (entry.second.byProgram && entry.second.state == PageState::ReadWrite) ++count;
  }
  return count;
}

FakePlatform::Page* FakePlatform::Find(uintptr_t address) {
  auto it = pages_.find(PageBase(address));
  return it == pages_.end() ? nullptr : &it->second;
}

const FakePlatform::Page* FakePlatform::Find(uintptr_t address) const {
  auto it = pages_.find(PageBase(address));
  return it == pages_.end() ? nullptr : &it->second;
}

Platform::SystemInfo FakePlatform::GetSystemInfo() { return {pageSize_, maximumAddress_}; }

// Pages here are one page each; the program only ever asks for one.
uintptr_t FakePlatform::AllocatePage(uintptr_t address, uint32_t size) {
  uintptr_t obtained = 0;
  if (size <= pageSize_ && address % pageSize_ == 0 && !Find(address)) {
    auto relocation = relocations_.find(address);
    obtained = relocation == relocations_.end() ? address : relocation->second;
    if (Find(obtained)) {
      obtained = 0;
    } else {
      SetPage(obtained, PageState::ReadWrite);
      pages_[PageBase(obtained)].byProgram = true;
    }
  }
  pageEvents_.push_back({PageCall::Allocate, address, obtained});
  return obtained;
}

bool FakePlatform::IsReadable(uintptr_t address, uint32_t size) {
  if (size == 0) return false;
  const uintptr_t last = address + size - 1;
  if (last < address || PageBase(address) != PageBase(last)) return false;
  const Page* page = Find(address);
  return page && (page->state == PageState::ReadOnly || page->state == PageState::ReadWrite);
}

void* FakePlatform::At(uintptr_t address) {
  Page* page = Find(address);
  if (!page || page->bytes.empty()) {
    ++badReads_;
    nothing_.assign(pageSize_, 0);
    return nothing_.data();
  }
  return page->bytes.data() + (address - PageBase(address));
}

void FakePlatform::DecommitPage(uintptr_t address, uint32_t /*size*/) {
  pageEvents_.push_back({PageCall::Decommit, address, 0});
  Page* page = Find(address);
  if (page && page->byProgram) {
    page->state = PageState::Reserved;
    page->bytes.clear();
  }
}

void FakePlatform::ReleasePage(uintptr_t address) {
  pageEvents_.push_back({PageCall::Release, address, 0});
  Page* page = Find(address);
  if (page && page->byProgram) pages_.erase(PageBase(address));
}

void FakePlatform::ShowMessage(const char* text, const char* caption) {
  messages_.push_back({text, caption});
}

void FakePlatform::TerminateCurrentProcess(uint32_t exitCode) { terminations_.push_back(exitCode); }

std::vector<uint8_t> FakePlatform::FileVersionInfo(const std::string& fileName) {
  auto it = versionResources_.find(fileName);
  return it == versionResources_.end() ? std::vector<uint8_t>() : it->second;
}

FakePlatform& TheFakePlatform() {
  static FakePlatform platform;
  return platform;
}

Platform& SystemPlatform() { return TheFakePlatform(); }

}  // namespace molvane
