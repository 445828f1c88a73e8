// Small helpers shared by the tests: a scratch folder and whole-file I/O.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace chizro::test {

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const noexcept { return path_; }
  std::string File(std::string_view name) const { return (path_ / name).string(); }

private:
  std::filesystem::path path_;
};

void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);

}  // namespace chizro::test
