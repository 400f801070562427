// File operations over the operating system. Paths are texts of the program
// (code page 936, Windows paths welcome) and are mapped by to_native_path. No
// operation shows a message: every failure is the result value.
//
// A file number names one open file from open_file until close_file. Numbers are
// never issued twice in a process, so a stale number can never reach another
// file; 0 is never issued.
//
// The operations are meant for the window's thread; they are nevertheless safe
// to call from several threads.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

#include "core/text.h"

namespace dorvane {

using ByteParts = std::initializer_list<std::span<const std::uint8_t>>;

// True when a directory entry matches the path: a file, or a folder named
// without a trailing separator. "*" and "?" in the last part match as wildcards
// (the first match is enough). False for "" and for a path ending in "\\" or "/".
bool file_exists(std::string_view path);

// Creates one folder; its parent must exist. A trailing separator is accepted.
// False when the folder exists, the parent is missing or creation is refused.
bool make_directory(std::string_view path);

// Creates or empties the file, opened for writing with no sharing, and writes the
// parts one after the other. False for "" or when the file cannot be created or a
// write fails; what was written before a failure stays in the file.
bool write_whole_file(std::string_view path, ByteParts parts);

// Opens a regular file at its start and returns its number, or 0.
//   mode: 1 read, 2 write, 3 read and write (all three need the file to exist);
//         4 write, created or emptied; 5 write, created or kept; 6 read and write,
//         created or kept.
//   sharing, what other opens may do meanwhile: 1 read and write, 2 write only,
//         3 read only, 4 nothing.
// 0 for "", a mode outside 1...6, a sharing outside 1...4, an open that the
// sharing of another open of the same file forbids, or a refusal of the system.
std::int32_t open_file(std::string_view path, std::int32_t mode = 3, std::int32_t sharing = 1);

// The file's length in bytes; -1 for a bad number or when it cannot be read or
// does not fit a 32-bit signed count.
std::int32_t file_length(std::int32_t file);

// Moves the position to the end of the file; false for a bad number or on failure.
bool seek_to_end(std::int32_t file);

// Writes the parts one after the other at the position, advancing it. On a
// failed or short write the position goes back to where the call began and the
// result is false (bytes already written stay). False for a bad number.
bool write_bytes(std::int32_t file, ByteParts parts);

// Cuts the file (or extends it with zeros) to `length` bytes and puts the
// position there. False for a bad number, a negative length or on failure.
bool truncate_file(std::int32_t file, std::int32_t length);

// Closes the file and forgets its number; a bad number does nothing.
void close_file(std::int32_t file);

}  // namespace dorvane
