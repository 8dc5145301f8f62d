// The library as a host has it loaded: a fresh fake system and screen, every module initialised, the recording callback registered.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "boundary/exports.h"
#include "boundary/library.h"
#include "host_callback_recorder.h"
#include "platform/fake/fake_platform.h"
#include "ui/headless/headless.h"

namespace molvane::testing {

// The fixture of the tests that go through the exports. A test whose tool
// may still show its dialog closes it in its own TearDown before this one's.
class LoadedLibrary : public ::testing::Test {
 public:
  // What the callback is registered with, and every call must carry.
  static constexpr int32_t kUserValue = 0x7E57;

 protected:
  void SetUp() override {
    TheFakePlatform().Reset();
    ui::headless::Reset();
    ASSERT_TRUE(LibraryInitialize());
    HostCalls().clear();
    AdrRetour(RecordHostCall, kUserValue);
  }
  void TearDown() override {
    AdrRetour(nullptr, 0);
    LibraryFinalize();
  }
};

}  // namespace molvane::testing
