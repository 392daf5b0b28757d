// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "runconfig.h"

#include <cstdint>
#include <optional>
#include <string>

struct RecordOptions;

// What a run holds in memory at once, estimated from its settings before it
// starts, and what the machine can give: a field too large for the machine is
// refused at once rather than failing part way.

// The bytes one run of config holds: the engine's buffers on threads
// threads, and with record its pattern analysis and the pictures and field
// texts it draws whole (picture: a --picture, fieldText: a --field or a state
// to save).
std::uint64_t runBytes(const RunConfig& config, int threads, const RecordOptions* record = nullptr,
                       bool picture = false, bool fieldText = false);

// The bytes this process may still take: the physical memory available
// (MemAvailable, or the free pages where /proc/meminfo cannot be read),
// less where the address-space or data limit leaves less room. Nothing when
// none of them is known.
std::optional<std::uint64_t> memoryOffered();

// Refuses (BatchError) a need of bytes beyond what the machine offers, as
// "what needs about N GB of memory; the machine offers M GB".
void refuseBeyondMemory(std::uint64_t bytes, const std::string& what);

// "a bed of W x H cells", for the messages.
std::string bedSize(const RunConfig& config);
