#include "platform/ini_file.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/convert.h"
#include "platform/errors.h"
#include "platform/file_path.h"
#include "platform/sorted.h"

namespace chizro {
namespace {

constexpr auto npos = std::string::npos;

bool IsBlank(char c) noexcept { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) noexcept {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {
  std::ifstream in(FsPath(fileName_), std::ios::binary);
  if (!in) return;
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (data.empty()) return;
  const std::size_t firstLf = data.find('\n');
  eol_ = (firstLf != npos && firstLf > 0 && data[firstLf - 1] == '\r') ? "\r\n" : "\n";
  if (firstLf == npos) eol_ = "\r\n";
  endsWithEol_ = data.back() == '\n';
  std::size_t start = 0;
  while (start < data.size()) {
    std::size_t end = data.find('\n', start);
    if (end == npos) end = data.size();
    std::size_t stop = end;
    if (stop > start && data[stop - 1] == '\r') --stop;
    Line line = ParseLine(data.substr(start, stop - start));
    line.eol = data.substr(stop, end < data.size() ? end + 1 - stop : end - stop);
    lines_.push_back(std::move(line));
    start = end + 1;
  }
}

TIniFile::Line TIniFile::ParseLine(std::string text) {
  Line line;
  line.text = std::move(text);
  const std::string_view t = Trim(line.text);
  if (t.empty() || t.front() == ';') return line;
  if (t.front() == '[') {
    const std::size_t close = t.find(']');
    line.isSection = true;
    line.name = std::string(Trim(t.substr(1, close == npos ? npos : close - 1)));
    return line;
  }
  const std::size_t eq = line.text.find('=');
  if (eq == npos) return line;
  const std::string_view key = Trim(std::string_view(line.text).substr(0, eq));
  if (key.empty()) return line;
  line.isKey = true;
  line.name = std::string(key);
  line.valuePos = eq + 1;
  return line;
}

std::size_t TIniFile::FindSection(std::string_view section) const {
  const std::string_view wanted = Trim(section);
  for (std::size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].isSection && SameText(lines_[i].name, wanted)) return i;
  return npos;
}

std::size_t TIniFile::FindKey(std::size_t header, std::string_view key) const {
  const std::string_view wanted = Trim(key);
  for (std::size_t i = header + 1; i < lines_.size() && !lines_[i].isSection; ++i)
    if (lines_[i].isKey && SameText(lines_[i].name, wanted)) return i;
  return npos;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view def) const {
  const std::size_t header = FindSection(section);
  const std::size_t k = header == npos ? npos : FindKey(header, key);
  std::string_view value = def;
  if (k != npos) {
    value = Trim(std::string_view(lines_[k].text).substr(lines_[k].valuePos));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
      value = value.substr(1, value.size() - 2);
  }
  if (value.size() > kMaxValueLength) value = value.substr(0, kMaxValueLength);
  return std::string(value);
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key,
                                   std::int32_t def) const {
  if (!KeyExists(section, key)) return def;
  return ProfileStrToInt(ReadString(section, key, ""), def);
}

bool TIniFile::KeyExists(std::string_view section, std::string_view key) const {
  const std::size_t header = FindSection(section);
  return header != npos && FindKey(header, key) != npos;
}

std::size_t TIniFile::LineOf(std::string_view section, std::string_view key) const {
  const std::size_t header = FindSection(section);
  const std::size_t k = header == npos ? npos : FindKey(header, key);
  return k == npos ? 0 : k + 1;
}

std::vector<std::string> TIniFile::ReadSection(std::string_view section) const {
  std::vector<std::string> keys;
  const std::size_t header = FindSection(section);
  if (header == npos) return keys;
  for (std::size_t i = header + 1; i < lines_.size() && !lines_[i].isSection; ++i) {
    if (!lines_[i].isKey) continue;
    bool seen = false;  // a repeated key is listed once, where it first stands
    for (const auto& k : keys) seen = seen || SameText(k, lines_[i].name);
    if (!seen) keys.push_back(lines_[i].name);
  }
  return keys;
}

std::vector<std::string> TIniFile::ReadSections() const {
  std::vector<std::string> sections;
  for (std::size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].isSection && FindSection(lines_[i].name) == i) sections.push_back(lines_[i].name);
  return sections;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  const std::vector<Line> before = lines_;
  std::string text = std::string(Trim(key)) + "=" + std::string(value);
  const std::size_t header = FindSection(section);
  if (header == npos) {
    if (!lines_.empty() && !Trim(lines_.back().text).empty()) lines_.push_back(ParseLine(""));
    lines_.push_back(ParseLine("[" + std::string(Trim(section)) + "]"));
    lines_.push_back(ParseLine(std::move(text)));
  } else if (const std::size_t k = FindKey(header, key); k != npos) {
    // Keep the key as it is spelled in the file.
    lines_[k] = ParseLine(lines_[k].text.substr(0, lines_[k].valuePos) + std::string(value));
  } else {
    // After the last non-blank line of the section.
    std::size_t at = header + 1;
    for (std::size_t i = header + 1; i < lines_.size() && !lines_[i].isSection; ++i)
      if (!Trim(lines_[i].text).empty()) at = i + 1;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), ParseLine(std::move(text)));
  }
  try {
    Save();
  } catch (...) {
    lines_ = before;
    throw;
  }
}

void TIniFile::Save() const {
  namespace fs = std::filesystem;
  std::string data;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    data += lines_[i].text;
    const std::string& own = lines_[i].eol;
    const bool last = i + 1 == lines_.size();
    if (own == "\r\n" || own == "\n" || (last && own == "\r"))
      data += own;  // as read
    else if (own == "\r")
      data += "\r\n";  // the old last line, now followed: read back the same
    else if (!last || endsWithEol_)
      data += eol_;  // a line the program added, or the old last line, now followed
  }
  const fs::path target = FsPath(fileName_);
  fs::path temp = target;
  temp += ".tmp~";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.flush();
    if (!out) {
      out.close();
      std::error_code ignored;
      fs::remove(temp, ignored);
      throw EInOutError("設定ファイルに書き込めません: " + PathForMessage(fileName_));
    }
  }
  std::error_code ec;
  RenameOver(temp, target, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    throw EInOutError("設定ファイルに書き込めません: " + PathForMessage(fileName_));
  }
}

}  // namespace chizro
