#include "test_support.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

#include "coords/datum.h"
#include "platform/comma_text.h"
#include "platform/file_path.h"
#include "platform/program_dir.h"

namespace chizro::test {
namespace {

// PROJ's default context, which the tests take PROJ's own results from,
// looks for its database where the program's contexts do.
const bool kProjSearchPathSet = (SetProjSearchPath(nullptr), true);

}  // namespace

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  std::random_device rd;
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate =
        base / ("chizro-test-" + std::to_string(rd()) + "-" + std::to_string(counter.fetch_add(1)));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(FsPath(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(FsPath(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<TableRow> ReadTable(const std::string& path) {
  std::vector<TableRow> rows;
  const std::string text = ReadFile(path);
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    std::string_view line(text.data() + at, end - at);
    at = end + 1;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.empty() || line[0] == '#') continue;
    TableRow& row = rows.emplace_back(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
      const char c = line[i];
      if (c == '\t') {
        row.emplace_back();
      } else if (c != '\\' || i + 1 == line.size()) {
        row.back() += c;
      } else {
        const char e = line[++i];
        if (e == 'x' && i + 2 < line.size()) {
          row.back() +=
              static_cast<char>(std::stoi(std::string(line.substr(i + 1, 2)), nullptr, 16));
          i += 2;
        } else {
          row.back() += e == 't' ? '\t' : e == 'r' ? '\r' : e == 'n' ? '\n' : e;
        }
      }
    }
  }
  return rows;
}

std::string TestNameOf(std::string_view text) {
  std::string name(text);
  for (char& c : name)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) c = '_';
  return name;
}

std::string GenericPath(std::string path) {
#ifdef _WIN32
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (IsSjisLeadByte(static_cast<unsigned char>(path[i]))) {
      ++i;
    } else if (path[i] == '\\') {
      path[i] = '/';
    }
  }
#endif
  return path;
}


}  // namespace chizro::test
