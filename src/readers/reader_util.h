// Small helpers that several readers share.
#pragma once

#include <string>

namespace chizro {

// A file name in single quotes, for messages.
std::string Quoted(const std::string& fileName);

// The part of a path after its folder: after the last "\", ":" or "/".
std::string BaseName(const std::string& fileName);

// The whole file in memory. EInOutError naming the file when it cannot be
// opened or read to its end.
std::string ReadWholeFile(const std::string& fileName);

}  // namespace chizro
