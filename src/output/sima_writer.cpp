#include "output/sima_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <unordered_map>

#include "model/geometry.h"
#include "model/map_builder.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "model/survey_data.h"
#include "platform/errors.h"
#include "platform/file_path.h"
#include "platform/sjis.h"

namespace chizro {
namespace {

// A length to the millimetre ("%.3f", without a negative zero).
void AppendMetres(std::string& out, double v) {
  v = std::round(v * 1000.0) / 1000.0;
  if (v == 0) v = 0;  // -0 prints as 0
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 3);
  if (ec == std::errc()) out.append(buf, end);
}

// A name as a field: commas and line breaks would end it, so they become
// the full-width comma and a blank.
std::string Field(const std::string& sjis) {
  static const std::string wideComma = Utf8ToSjis("，");
  std::string out;
  out.reserve(sjis.size());
  for (std::size_t i = 0; i < sjis.size(); ++i) {
    const auto c = static_cast<unsigned char>(sjis[i]);
    if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
      out += sjis[i];
      if (i + 1 < sjis.size()) out += sjis[++i];
    } else if (c == ',') {
      out += wideComma;
    } else if (c == '\r' || c == '\n') {
      out += ' ';
    } else {
      out += sjis[i];
    }
  }
  return out;
}

struct TKey {
  std::string Name;
  std::int64_t X, Y;  // [mm]
  friend bool operator==(const TKey&, const TKey&) = default;
};
struct TKeyHash {
  std::size_t operator()(const TKey& k) const noexcept {
    return std::hash<std::string>()(k.Name) ^ (std::hash<std::int64_t>()(k.X) * 31) ^
           (std::hash<std::int64_t>()(k.Y) * 1000003);
  }
};

class TSimaOut {
public:
  // Adds a leaf's data, converted into `to`.
  void Add(TSurveyData& data, const TCoordChange& change) {
    std::vector<std::int64_t> numbers(data.Points.size());
    for (std::size_t i = 0; i < data.Points.size(); ++i) {
      TSurveyPoint& p = data.Points[i];
      change.Apply(p.X, p.Y);
      TKey key{p.Name, std::llround(p.X * 1000), std::llround(p.Y * 1000)};
      const auto [it, added] =
          index_.try_emplace(std::move(key), static_cast<std::int64_t>(points_.size()) + 1);
      if (added) points_.push_back(std::move(p));
      numbers[i] = it->second;
    }
    for (TSurveyParcel& parcel : data.Parcels) {
      std::vector<std::int64_t> ring;
      ring.reserve(parcel.Ring.size());
      for (const std::uint32_t i : parcel.Ring)
        if (i < numbers.size()) ring.push_back(numbers[i]);
      parcels_.push_back({std::move(parcel.Name), std::move(ring)});
    }
  }

  std::int64_t PointCount() const { return static_cast<std::int64_t>(points_.size()); }
  std::int64_t ParcelCount() const { return static_cast<std::int64_t>(parcels_.size()); }

  std::string Text(const std::string& title) const {
    std::string out;
    out.reserve(points_.size() * 48 + parcels_.size() * 24);
    const auto line = [&out](std::string_view s) {
      out += s;
      out += "\r\n";
    };
    line("G00,01," + Field(title) + ",");
    line(Utf8ToSjis("Z00,座標ﾃﾞｰﾀ,"));
    line("A00,");
    for (std::size_t i = 0; i < points_.size(); ++i) {
      const TSurveyPoint& p = points_[i];
      out += "A01,";
      out += std::to_string(i + 1);
      out += ',';
      out += Field(p.Name);
      out += ',';
      AppendMetres(out, p.Y);  // X: north
      out += ',';
      AppendMetres(out, p.X);  // Y: east
      out += ',';
      if (p.H) AppendMetres(out, *p.H);
      line(",");
    }
    line("A99,");
    if (!parcels_.empty()) {
      line(Utf8ToSjis("Z00,区画ﾃﾞｰﾀ,"));
      for (std::size_t i = 0; i < parcels_.size(); ++i) {
        line("D00," + std::to_string(i + 1) + "," + Field(parcels_[i].Name) + ",");
        for (const std::int64_t n : parcels_[i].Ring)
          line("B01," + std::to_string(n) + "," +
               Field(points_[static_cast<std::size_t>(n - 1)].Name) + ",");
        line("D99,");
      }
    }
    return out;
  }

private:
  struct TParcel {
    std::string Name;
    std::vector<std::int64_t> Ring;
  };
  std::vector<TSurveyPoint> points_;
  std::vector<TParcel> parcels_;
  std::unordered_map<TKey, std::int64_t, TKeyHash> index_;
};

// The output file's name without its folder and ending, as the G00 title.
std::string TitleOf(const std::string& fileName) {
  std::string base = fileName;
  const std::size_t slash = FindLastOf(base, "\\/:");
  if (slash != std::string::npos) base.erase(0, slash + 1);
  const std::size_t dot = base.rfind('.');
  if (dot != std::string::npos && dot > 0) base.erase(dot);
  return base;
}

}  // namespace

TSimaStats ExportSima(TMapProject& project, const std::string& fileName,
                      const TSimaProgress& progress) {
  TSimaStats stats;
  stats.FileName = fileName;
  const TCoordSystem target{TCoordMode::Plane, project.Datum, project.Zone};
  int count = 0;
  for (int t = 0; t < project.Themes->Count(); ++t)
    count += project.Themes->Items(t)->Leaves->Count();
  TSimaOut out;
  int index = 0;
  for (int t = 0; t < project.Themes->Count(); ++t) {
    TMapTheme& theme = *project.Themes->Items(t);
    for (int i = 0; i < theme.Leaves->Count(); ++i, ++index) {
      if (progress) progress(index, count);
      TMapLeaf& leaf = *theme.Leaves->Items(i);
      TSurveyData data;
      if (!theme.Builder || !theme.Builder->SurveyData(leaf, data)) {
        ++stats.LeavesSkipped;
        continue;
      }
      const TCoordSystem source = leaf.SourceSystem();
      if (source.Zone.IsLocal()) ++stats.LocalLeaves;
      out.Add(data, TCoordChange::Between(source, target));
      stats.HolesSkipped += static_cast<std::int64_t>(data.HolesSkipped);
      ++stats.Leaves;
    }
  }
  stats.Points = out.PointCount();
  stats.Parcels = out.ParcelCount();
  if (stats.Points == 0)
    throw EInOutError(Quoted(fileName) +
                      " を書きませんでした: 開いているデータに SIMA で書ける点や画地がありません");
  WriteWholeFile(fileName, out.Text(Utf8ToSjis(PathForMessage(TitleOf(fileName)))));
  return stats;
}

}  // namespace chizro
