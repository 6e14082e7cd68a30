// Test files made and damaged by hand, to stand for what a medium hands back.
#pragma once

#include <cstdint>
#include <string>

// Writes `sizeMB` MByte of the test pattern that starts at absolute `offset` to a new `path`.
void WritePatternFile(const std::string& path, uint64_t offset, uint64_t sizeMB);

// Overwrites `bytes` bytes at `position` of the file with `data`.
void PatchFile(const std::string& path, uint64_t position, const void* data, size_t bytes);

// Flips the bits of `mask` in the byte at `position`.
void FlipBits(const std::string& path, uint64_t position, uint8_t mask);

// The 64-bit word stored at `position` of the file.
uint64_t ReadWord(const std::string& path, uint64_t position);

// Makes an empty or sparse file of `bytes` bytes (no data is written).
void MakeSparseFile(const std::string& path, uint64_t bytes);

uint64_t FileSize(const std::string& path);

// The word `index` of the pattern of the sector at absolute `offset`.
uint64_t PatternWordAt(uint64_t offset, unsigned index);
