// Small helpers shared by the tests: a scratch folder, whole-file I/O, a
// scoped program directory and row names for parameterised tables.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

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

// Whole files by path text.
void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);

// The rows of a table file (a parameterised table kept beside its fixtures):
// one row a line, its fields separated by tabs; blank lines and lines
// beginning with '#' are left out. In a field "\t", "\r", "\n", "\\" and
// "\xHH" stand for the character. A file that cannot be read throws.
using TableRow = std::vector<std::string>;
std::vector<TableRow> ReadTable(const std::string& path);

// Path text with '/' for each separator, as tests compare paths: on Windows
// each backslash that is a character of its own (not the trail byte of a
// Shift_JIS character) becomes '/'; elsewhere the text stays as it is.
std::string GenericPath(std::string path);

// The message of the E that `call` throws; "" when it returns. Other
// errors pass through.
template <class E>
std::string MessageOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const E& e) {
    return e.what();
  }
  return "";
}

// Names the rows of a parameterised table by their `Name` field.
template <class Row>
std::string RowName(const ::testing::TestParamInfo<Row>& info) {
  return info.param.Name;
}

// Names the rows of a table file by their first field.
inline std::string TableRowName(const ::testing::TestParamInfo<TableRow>& info) {
  return info.param.at(0);
}

// A test name made of `text`: its ASCII letters and digits, every other byte
// '_' (test names allow only [A-Za-z0-9_]). "ksj/N03-85.txt" gives
// "ksj_N03_85_txt".
std::string TestNameOf(std::string_view text);

// Names the rows of a list of texts (fixture names, paths) by TestNameOf.
inline std::string TextName(const ::testing::TestParamInfo<const char*>& info) {
  return TestNameOf(info.param);
}

}  // namespace chizro::test
