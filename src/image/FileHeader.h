// What a file's first bytes tell before any decoder runs: the format they announce and the
// picture's size, and from that why a decode that failed did fail. The console names the
// reason to its user; the library turns it into a code.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "image/ImageKind.h"

// The format's name ("" when none is known) and, for PNG, GIF, JPEG and BMP, the picture's
// size in pixels (0 when unknown).
struct FileHeader {
    std::string format;
    bool readable = false;
    bool permissionDenied = false;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};
FileHeader ReadFileHeader(const std::filesystem::path& path);
// The same from the bytes themselves.
FileHeader HeaderFromBytes(const std::string& bytes);

// The bytes the smallest whole decode of the picture takes (three a pixel).
std::uint64_t DecodedBytesNeeded(const FileHeader& header);

enum class DecodeFailure {
    Damaged,           // nothing better known: damaged, cut short, or no picture
    PermissionDenied,  // the system refused to open the file
    WrongExtension,    // the bytes are another format than the one chosen
    TooLarge,          // the picture could not be made and is larger than one may be
};
// Why the decode of a file failed, by its header: `chosen` is the format its extension chose
// (Unsupported for none), `notCreated` whether the loader said the picture could not be made.
DecodeFailure ExplainDecodeFailure(const FileHeader& header, ImageKind chosen, bool notCreated);
