// The program's directory: where the definition files, the settings file, the
// symbol images, "JWC_TEMP.TXT" and "temp.txt" live. The programs take the
// directory of the running executable, never the working directory; the
// converter's --home and the tests hand another one to the project and the
// writer as an argument.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace chizro {

// The folder of the running executable: where files that ship with the
// program (proj.db) are looked for. The working directory when the system
// does not tell.
std::filesystem::path ExecutableFolder();

// The executable's folder as path text, without a trailing separator: the
// program directory of the window programs and, by default, the converter.
std::string ProgramDir();

// Turns a path written with Windows backslashes ("\def\Sdf25.ini") into one
// for this platform.
std::string NativePath(std::string_view path);

// A program directory `folder` joined with a relative path that may be
// written with backslashes and may start with one:
// ProgramPath(folder, "\\def\\Sdf25.ini"). A separator at the end of
// `folder` is not doubled.
std::string ProgramPath(std::string_view folder, std::string_view relative);

}  // namespace chizro
