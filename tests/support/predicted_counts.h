// What a verify pass of a fake medium's test data should find, worked out from the medium
// itself: where each sector of test data was written (the helper's record of writes) and what
// the medium gives back there now, sorted by the engine's own sector check. Runs the check on
// this process's TestSession, so it suits tests whose runs go on in another process.
#pragma once

#include <cstdint>
#include <optional>

#include "engine/test_session.h"
#include "tests/support/fake_medium.h"

// The counts and first error of a verify pass over the first `sizeMB` MByte of test data.
// Reports through the test framework and gives nothing when a sector of that data was written
// nowhere or in more than one place.
std::optional<TestProgress> PredictVerify(const FakeMedium& medium, uint64_t sizeMB);
