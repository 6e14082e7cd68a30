// The sector check: sorts every sector that the verify pass reads into intact, overwritten (the
// intact pattern of another offset), slightly changed (1 to 7 wrong bits) or corrupted (8 or
// more), counts it in TestSession.progress under the lock, and records the first wrong word of
// the pass. Worker thread only.
#pragma once

#include <cstdint>

#include "engine/units.h"

// Checks the 2048 sectors of IoBuffer; sector i lies at absolute offset `offset` + 512 * i.
void CheckBlock(uint64_t offset);

// Classifies one sector at absolute `offset` and counts it.
void CheckSector(const Sector* sector, uint64_t offset);

// The number of bits (0 to 4096) in which `sector` differs from the pattern grown from `seed`;
// each differing word is offered to RecordFirstError at its absolute offset.
int CountBitErrors(const Sector* sector, uint64_t offset, uint64_t seed);

// Stores the word as the pass's first error unless one is recorded already.
void RecordFirstError(uint64_t offset, uint64_t expected, uint64_t found);
