// A test whose target directory is a fresh scratch directory, with the session reset around it.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"
#include "tests/support/session.h"

class ScratchTargetTest : public testing::Test {
 protected:
  void SetUp() override { ResetSession(dir.widePath()); }
  void TearDown() override { ResetSession(); }

  ScratchDir dir;
};
