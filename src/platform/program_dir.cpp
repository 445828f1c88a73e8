#include "platform/program_dir.h"

#include <system_error>

#ifdef _WIN32
#include <windows.h>

#include <vector>
#endif

#include "platform/file_path.h"

namespace chizro {
namespace {

#ifdef _WIN32
// The full name of the running executable, or empty.
std::filesystem::path ExecutableFile() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return std::filesystem::path(std::wstring(buffer.data(), n));
    if (buffer.size() >= 32768) return {};  // longer than any path Windows has
    buffer.resize(buffer.size() * 2);
  }
}
#else
std::filesystem::path ExecutableFile() {
  std::error_code ec;
  // Linux: the kernel's link to the running executable.
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : exe;
}
#endif

}  // namespace

std::filesystem::path ExecutableFolder() {
  static const std::filesystem::path folder = [] {
    const std::filesystem::path exe = ExecutableFile();
    if (exe.has_parent_path()) return exe.parent_path();
    std::error_code ec;
    return std::filesystem::current_path(ec);
  }();
  return folder;
}

std::string ProgramDir() {
  static const std::string dir = PathText(ExecutableFolder());
  return dir;
}

std::string NativePath(std::string_view path) {
  // On Windows only '/' changes, and it is never part of a Shift_JIS
  // double-byte character; the trail byte 0x5C stays as it is.
  std::string out(path);
  constexpr char sep = static_cast<char>(std::filesystem::path::preferred_separator);
  for (char& c : out)
    if (c == '\\' || c == '/') c = sep;
  return out;
}

std::string ProgramPath(std::string_view folder, std::string_view relative) {
  std::string dir(folder);
  // A trailing separator is cut (the last byte '\\' of a Shift_JIS
  // double-byte character is not one: FindLastOf knows them).
  while (dir.size() > 1 && FindLastOf(dir, "\\/") == dir.size() - 1) dir.pop_back();
  std::string rel = NativePath(relative);
  constexpr char sep = static_cast<char>(std::filesystem::path::preferred_separator);
  while (!rel.empty() && rel.front() == sep) rel.erase(rel.begin());
  return dir + sep + rel;
}

}  // namespace chizro
