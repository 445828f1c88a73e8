#include "output/output_settings.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

#include "coords/projection.h"
#include "platform/comma_text.h"
#include "platform/errors.h"
#include "platform/ini_file.h"
#include "platform/program_dir.h"
#include "platform/sjis.h"
#include "platform/sorted.h"

namespace chizro {
namespace {

constexpr std::string_view kLayers = "Layers";
constexpr std::string_view kOutput = "Output";
constexpr std::string_view kElements = "Elements";
constexpr std::string_view kMap = "Map";
constexpr std::string_view kZone = "Zone";
constexpr std::string_view kContourInterval = "ContourInterval";

// Field 1 to 4 by index - 1.
constexpr TSettingRange kRanges[] = {
    {"レイヤー", "0～F の16進数1桁"},
    {"線色", "1～9"},
    {"線種", "1～9"},
    {"文字種", "1～10"},
};
constexpr int kMaxNumber[] = {0, 9, 9, 10};

}  // namespace

const TSettingRange* SettingRange(std::size_t field) noexcept {
  return field >= 1 && field <= 4 ? &kRanges[field - 1] : nullptr;
}

std::optional<std::string> SettingValue(std::size_t field, std::string_view value) {
  if (!SettingRange(field)) return std::string(value);
  if (field == 1) {
    if (value.size() != 1) return std::nullopt;
    const char c = value[0];
    if (c >= '0' && c <= '9') return std::string(1, c);
    if (c >= 'A' && c <= 'F') return std::string(1, c);
    if (c >= 'a' && c <= 'f') return std::string(1, static_cast<char>(c - 'a' + 'A'));
    return std::nullopt;
  }
  if (value.empty() || value.size() > 2 || value[0] == '0') return std::nullopt;
  int n = 0;
  for (const char c : value) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  if (n > kMaxNumber[field - 1]) return std::nullopt;
  return std::string(value);
}

void TOutputSettings::CheckRanges() const {
  const std::size_t first = Mode() == TLayerMode::None ? 2 : 1;
  for (const TElementRow& row : Rows) {
    for (std::size_t i = first; i < kFieldCount && i < row.Fields.size(); ++i) {
      if (SettingValue(i, row.Fields[i])) continue;
      const TSettingRange& range = *SettingRange(i);
      ESettingsError error(SjisToUtf8(row.Key), range.Name, SjisToUtf8(row.Fields[i]),
                           range.Allowed);
      row.Locate(error);
      throw error;
    }
  }
}

const std::string& TElementRow::Field(std::size_t i) const {
  if (i >= Fields.size()) {
    EListIndexError error(static_cast<long long>(i));
    Locate(error);
    throw error;
  }
  return Fields[i];
}

void TElementRow::Locate(EChizroError& e) const {
  e.Locate(FileName,
           TErrorPlace::Line(Line, "[" + std::string(kElements) + "] " + SjisToUtf8(Key)));
}

std::string TOutputSettings::FileIn(const std::string& programFolder) {
  return ProgramPath(programFolder, "def\\chizro.ini");
}

void TOutputSettings::Load(const std::string& fileName) {
  const TIniFile ini(fileName);
  Output = ini.ReadString(kLayers, kOutput, "");
  Rows.clear();
  for (std::string& key : ini.ReadSection(kElements)) {
    TElementRow row;
    SplitCommaText(ini.ReadString(kElements, key, ""), row.Fields);
    row.FileName = fileName;
    row.Line = ini.LineOf(kElements, key);
    row.Key = std::move(key);
    Rows.push_back(std::move(row));
  }
  Zone = TZone::Chosen(ini.ReadInteger(kMap, kZone, 0));
  ContourInterval = ParseContourInterval(ini.ReadString(kMap, kContourInterval, "")).value_or(0);
}

void TOutputSettings::Save(const std::string& fileName) const {
  // Every row is checked first, so that a short one leaves the file as it was.
  std::vector<std::string> values;
  values.reserve(Rows.size());
  for (const TElementRow& row : Rows) {
    row.Field(kFieldCount - 1);
    std::string value = JoinCommaText(
        std::vector<std::string>(row.Fields.begin(), row.Fields.begin() + kFieldCount));
    // The profile reader takes one pair of quotes off a whole value; a value
    // that begins and ends with the same quote gets a pair to spare.
    if (value.size() >= 2 && value.front() == value.back() &&
        (value.front() == '"' || value.front() == '\''))
      value = '"' + value + '"';
    values.push_back(std::move(value));
  }
  TIniFile ini(fileName);
  const char* mode = "N";
  if (Mode() == TLayerMode::Layer) mode = "L";
  if (Mode() == TLayerMode::Group) mode = "G";
  ini.WriteString(kLayers, kOutput, mode);
  for (std::size_t i = 0; i < Rows.size(); ++i) ini.WriteString(kElements, Rows[i].Key, values[i]);
  if (!Zone.IsAutomatic() || ini.KeyExists(kMap, kZone))
    ini.WriteString(kMap, kZone, std::to_string(Zone.Number()));
  if (ContourInterval != 0 || ini.KeyExists(kMap, kContourInterval)) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", ContourInterval);
    ini.WriteString(kMap, kContourInterval, text);
  }
}

std::optional<double> ParseContourInterval(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (text.empty()) return 0.0;
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || end != text.data() + text.size() || !std::isfinite(value) ||
      value < 0 || value > TOutputSettings::kMaxContourInterval)
    return std::nullopt;
  return value;
}

TLayerMode TOutputSettings::Mode() const noexcept {
  if (Output == "L") return TLayerMode::Layer;
  if (Output == "G") return TLayerMode::Group;
  return TLayerMode::None;
}

void TOutputSettings::SetMode(TLayerMode mode) {
  char letter = 'N';
  if (mode == TLayerMode::Layer) letter = 'L';
  if (mode == TLayerMode::Group) letter = 'G';
  Output.assign(1, letter);
}

const TElementRow* TOutputSettings::Find(std::string_view code) const {
  for (const TElementRow& row : Rows)
    if (SameText(row.Key, code)) return &row;
  return nullptr;
}

}  // namespace chizro
