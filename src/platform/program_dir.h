// The program's directory: where the definition files, the settings file, the
// symbol images, "JWC_TEMP.TXT" and "temp.txt" live. It is the directory of
// the running executable, never the working directory. Tests and the headless
// converter may point it elsewhere through the one override below.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace chizro {

// The folder of the running executable, whatever SetProgramDir says: where
// files that ship with the program (proj.db) are looked for. The working
// directory when the system does not tell.
std::filesystem::path ExecutableFolder();

// The program's directory as path text, without a trailing separator.
std::string ProgramDir();

// Replaces the program's directory for the rest of the process (an empty
// string goes back to the executable's directory).
void SetProgramDir(std::string dir);

// Turns a path written with Windows backslashes ("\def\Sdf25.ini") into one
// for this platform.
std::string NativePath(std::string_view path);

// The program's directory joined with a relative path that may be written
// with backslashes and may start with one: ProgramPath("\\def\\Sdf25.ini").
std::string ProgramPath(std::string_view relative);

}  // namespace chizro
