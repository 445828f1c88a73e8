#include "platform/program_dir.h"

#include <filesystem>
#include <mutex>
#include <system_error>

namespace chizro {
namespace {

std::string& OverrideDir() {
  static std::string dir;
  return dir;
}

std::string ExecutableDir() {
  std::error_code ec;
  // Linux: the kernel's link to the running executable.
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec && exe.has_parent_path()) return exe.parent_path().string();
  return std::filesystem::current_path(ec).string();
}

}  // namespace

std::string ProgramDir() {
  if (!OverrideDir().empty()) return OverrideDir();
  static const std::string dir = ExecutableDir();
  return dir;
}

void SetProgramDir(std::string dir) {
  while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
  OverrideDir() = std::move(dir);
}

std::string NativePath(std::string_view path) {
  std::string out(path);
  constexpr char sep = static_cast<char>(std::filesystem::path::preferred_separator);
  for (char& c : out)
    if (c == '\\' || c == '/') c = sep;
  return out;
}

std::string ProgramPath(std::string_view relative) {
  std::string rel = NativePath(relative);
  constexpr char sep = static_cast<char>(std::filesystem::path::preferred_separator);
  while (!rel.empty() && rel.front() == sep) rel.erase(rel.begin());
  return ProgramDir() + sep + rel;
}

}  // namespace chizro
