// A fresh process for each test: the process-wide state reset, a headless platform installed.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/application.h"
#include "platform/headless/headless_platform.h"

namespace solvane::testing {

class HeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override { Install({}); }
  void TearDown() override {
    SetHost(nullptr);
    platform_.reset();
    ResetProcessState();
  }

  // Replaces the platform with one made from `options` (and resets the process state).
  HeadlessPlatform& Install(HeadlessOptions options) {
    SetHost(nullptr);
    platform_.reset();
    ResetProcessState();
    platform_ = std::make_unique<HeadlessPlatform>(std::move(options));
    SetHost(platform_.get());
    return *platform_;
  }

  HeadlessPlatform& platform() { return *platform_; }

 private:
  std::unique_ptr<HeadlessPlatform> platform_;
};

}  // namespace solvane::testing
