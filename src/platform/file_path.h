// File names as the program holds them: path text in a std::string. On
// Windows path text is Shift_JIS (code page 932), like the paths JW_CAD
// hands over; elsewhere it is the file system's own bytes (UTF-8 on a usual
// Linux system), passed on unchanged. The model's other text (names, class
// codes, labels, properties) is Shift_JIS on every platform, so only on
// Windows do the two share an encoding; model/map_object.h says which
// strings of the model hold which, and messages are UTF-8 (PathForMessage).
// Every file access goes through the functions here, which turn path text
// into what the system takes (on Windows the UTF-16 of the "W" functions: a
// std::filesystem::path made from a std::string would take each byte for a
// character there).
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace chizro {

// Path text as a path for the file system functions and streams.
std::filesystem::path FsPath(std::string_view text);

// A path of the file system as path text. On Windows a character without a
// Shift_JIS form becomes "?" (such a name cannot be opened through path text).
std::string PathText(const std::filesystem::path& path);

// std::fopen of path text.
std::FILE* OpenFile(std::string_view path, const char* mode);

// True when `path` names a regular file, a directory; false also when it
// cannot be looked at.
bool IsRegularFile(std::string_view path);
bool IsDirectory(std::string_view path);

// Puts the file `from` in the place of `to` in one step: `to` is either the
// old file or the new one, never missing or half written, also after a
// power cut (Windows: MoveFileExW with MOVEFILE_REPLACE_EXISTING and
// MOVEFILE_WRITE_THROUGH; elsewhere rename).
void RenameOver(const std::filesystem::path& from, const std::filesystem::path& to,
                std::error_code& ec);

// Writes `text` as the whole of the file `fileName` (path text): into a
// temporary file beside it, then put in its place by RenameOver, so that the
// file is the old one or the new one whole. EInOutError naming the file when
// it cannot be written.
void WriteWholeFile(const std::string& fileName, std::string_view text);

// Separators in path text. On Windows the bytes of a Shift_JIS double-byte
// character are one character, so that the trail byte 0x5C of "ソ" (83 5C)
// or "表" (95 5C) is never taken for a backslash.
//
// The position of the last byte of `path` that is one of `chars` (ASCII) and
// stands as a character of its own, or npos.
std::size_t FindLastOf(std::string_view path, std::string_view chars);
// True when the last character of `path` is a separator of the platform:
// '/', and on Windows also '\'.
bool EndsWithSeparator(std::string_view path);

// Path text for a message, which is UTF-8: on Windows converted from
// Shift_JIS, elsewhere the system's bytes as they are.
std::string PathForMessage(std::string_view path);

// A file name (path text) in single quotes, for messages.
std::string Quoted(std::string_view fileName);

// True when two path texts name the same file by the platform's rule for
// letter case: on Windows without regard to case (the file system's ordinal
// comparison of the UTF-16 names), elsewhere byte for byte.
bool SamePath(std::string_view a, std::string_view b);

}  // namespace chizro
