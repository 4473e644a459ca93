// The process-wide budget for pixel memory that every decoded image is created under.
#pragma once

#include <cstdint>

// Sized for the 32-bit product: a quarter of its large-address-aware address space, leaving
// room for the libraries, the worker stacks and fragmentation. With the default 16 workers,
// sixteen 35-megapixel scans would ask for 1.7 GB at once; under the budget the later ones
// wait for the earlier ones instead of failing.
constexpr std::uint64_t kDefaultImageMemoryBudget = std::uint64_t{1} << 30;

// Takes `bytes` from the budget, waiting while other images hold too much of it. False at
// once when `bytes` exceeds the whole budget: that image could never be created.
bool ReserveImageMemory(std::uint64_t bytes);
// Takes `bytes` only when they fit the budget at once, never waiting: for work that has a way
// round when memory is short.
bool TryReserveImageMemory(std::uint64_t bytes);
// Gives back what a ReserveImageMemory call took and wakes the waiting creators.
void ReleaseImageMemory(std::uint64_t bytes);

// For tests: a smaller budget (only while no image exists), and the bytes held now.
void SetImageMemoryBudget(std::uint64_t bytes);
std::uint64_t ImageMemoryInUse();
