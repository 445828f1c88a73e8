#include "readers/common/reader_util.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "model/map_leaf.h"
#include "platform/comma_text.h"
#include "platform/errors.h"
#include "platform/file_path.h"

namespace chizro {

std::optional<double> DecimalField(std::string_view field) noexcept {
  if (!field.empty() && field.front() == '+') field.remove_prefix(1);
  double v = 0;
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), v);
  if (ec != std::errc() || end != field.data() + field.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

double FiniteReal(double value, std::string_view text) {
  if (!(std::fabs(value) <= static_cast<double>(FLT_MAX))) throw EFloatConvertError(text);
  return value;
}

std::string ZeroPadded(int n, int width) {
  char buf[32];
  const int len = std::snprintf(buf, sizeof buf, "%.*d", width, n);
  return std::string(buf, static_cast<std::size_t>(len));
}

std::string BaseName(const std::string& fileName) {
  const std::size_t sep = FindLastOf(fileName, "\\:/");
  return sep == std::string::npos ? fileName : fileName.substr(sep + 1);
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

bool IsFile(const std::string& path) { return IsRegularFile(path); }

std::string ReadWholeFile(const std::string& fileName) {
  std::ifstream in(FsPath(fileName), std::ios::binary);
  if (!in) throw EInOutError(Quoted(fileName) + " を開けません");
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) throw EInOutError(Quoted(fileName) + " を読めません");
  in.seekg(0, std::ios::beg);
  std::string data(static_cast<std::size_t>(size), '\0');
  in.read(data.data(), size);
  if (in.gcount() != size) throw EInOutError(Quoted(fileName) + " を読めません");
  return data;
}

std::unique_ptr<TMapLeaf> TSingleFileBuilder::OpenFile(TMapLeafGrp& leaves,
                                                       const std::string& fileName) {
  if (!IsFile(fileName)) return nullptr;
  auto leaf = std::make_unique<TMapLeaf>(&leaves);
  leaf->FileName = fileName;
  leaf->CoordMode = coordMode_;
  PrepareLeaf(*leaf);
  LoadLeaf(*leaf, nullptr, 0);
  return leaf;
}

}  // namespace chizro
