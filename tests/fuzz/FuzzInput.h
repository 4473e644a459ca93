// Shared by the fuzz targets: the entries take a path, so each input goes through a file.
#pragma once

#include "judge/JudgeEvidence.h"
#include "judge/JudgeParams.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

// Inputs above this size only slow the search down: every format's interesting structure
// lies in its first kilobytes, and the loaders' size checks do not depend on the file's length.
constexpr std::size_t kMaxFuzzInputBytes = 1 << 20;

// Writes the input to this process's own scratch file (one per extension, kept for the whole
// run and removed at exit) and returns its absolute path. Lives in /dev/shm where there is one,
// so an execution costs no disk write.
const std::filesystem::path& WriteFuzzInput(const std::uint8_t* data, std::size_t size,
                                            const char* extension);

// The parameters the targets judge with: sampling instead of every pixel, so that a header claiming
// a gigabyte of blank pixels costs the judgment milliseconds and the time goes to the decoders.
// The image memory budget shrinks to 16 MiB for the same reason: a small input that claims a
// huge picture takes the refusal path at once instead of filling hundreds of megabytes per run.
JudgeParams UseFuzzSettings();

// One input through a Judge*File entry under the fuzz settings: any input gives a verdict (0
// or 1) or a worded error text, and anything else aborts. -1 for inputs above the size cap.
using JudgeEntry = int (*)(const std::filesystem::path&, const JudgeParams&, std::string&, JudgeEvidence*);
int FuzzJudgeEntry(JudgeEntry judge, const std::uint8_t* data, std::size_t size, const char* extension);
