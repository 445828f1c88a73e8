#include "readers/gkupnt/gkupnt_builder.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "coords/projection.h"
#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "platform/comma_text.h"
#include "platform/convert.h"
#include "platform/errors.h"
#include "platform/sjis.h"
#include "readers/common/text_filer.h"

namespace chizro {

namespace {

constexpr std::string_view kClass = "PNT";
constexpr std::size_t kFixedItems = 11;
constexpr std::size_t kNamedItems = 14;

// Where the fields of a record stand; -1 for a field the layout lacks.
struct TLayout {
  int Prefecture = -1;
  int Municipality = -1;
  int District = -1;
  int SubDistrict = -1;  // appended to the district when not empty
  int Block = -1;
  int Zone = -1;
  int X = -1;  // northing [m]
  int Y = -1;  // easting [m]
};

// The 11-item layout.
constexpr TLayout kFixedLayout{0, 1, 2, -1, 3, 4, 5, 6};

// The column names of the 14-item layout, as the Shift_JIS bytes of the file.
struct THeaderNames {
  std::string Prefecture = Utf8ToSjis("都道府県名");
  std::string Municipality = Utf8ToSjis("市区町村名");
  std::string District = Utf8ToSjis("大字・丁目名");
  std::string SubDistrict = Utf8ToSjis("小字・通称名");
  std::string Block = Utf8ToSjis("街区符号・地番");
  std::string Zone = Utf8ToSjis("座標系番号");
  std::string X = Utf8ToSjis("Ｘ座標");
  std::string Y = Utf8ToSjis("Ｙ座標");
  std::string AsciiX = Utf8ToSjis("X座標");
  std::string AsciiY = Utf8ToSjis("Y座標");
};

const THeaderNames& HeaderNames() {
  static const THeaderNames names;
  return names;
}

// The 14-item layout as the header names it, when the header names at least
// the district, block code, zone, X and Y columns within the first 14.
std::optional<TLayout> NamedLayout(const std::vector<std::string>& header) {
  const THeaderNames& names = HeaderNames();
  TLayout layout;
  const int count = static_cast<int>(std::min(header.size(), kNamedItems));
  for (int i = 0; i < count; ++i) {
    const std::string& h = header[static_cast<std::size_t>(i)];
    int* slot = nullptr;
    if (h == names.Prefecture) {
      slot = &layout.Prefecture;
    } else if (h == names.Municipality) {
      slot = &layout.Municipality;
    } else if (h == names.District) {
      slot = &layout.District;
    } else if (h == names.SubDistrict) {
      slot = &layout.SubDistrict;
    } else if (h == names.Block) {
      slot = &layout.Block;
    } else if (h == names.Zone) {
      slot = &layout.Zone;
    } else if (h == names.X || h == names.AsciiX) {
      slot = &layout.X;
    } else if (h == names.Y || h == names.AsciiY) {
      slot = &layout.Y;
    }
    if (slot && *slot < 0) *slot = i;
  }
  if (layout.District < 0 || layout.Block < 0 || layout.Zone < 0 || layout.X < 0 || layout.Y < 0)
    return std::nullopt;
  return layout;
}

std::string_view Item(const std::vector<std::string>& items, int index) {
  return index < 0 ? std::string_view() : std::string_view(items[static_cast<std::size_t>(index)]);
}

// A decimal coordinate [m], finite and within FiniteReal's bound.
double Coordinate(std::string_view text) { return FiniteReal(StrToFloat(text), text); }

std::string RecordName(int n) { return ZeroPadded(n, 8); }

}  // namespace

void TMapBuilder_GkuPnt::LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* /*classDefs*/,
                                  double /*scale*/) {
  auto owned = std::make_unique<TFigPointGrp>();
  owned->Name = kClass;
  TFigPointGrp* points = leaf.AddFigGrp(std::move(owned));

  TTextFiler file(leaf.FileName);
  std::vector<std::string> items;
  std::optional<TLayout> named;
  if (!file.Eof()) {
    SplitCommaText(file.ReadLine(), items);
    named = NamedLayout(items);
  }

  int n = 0;
  TExtentBuilder extent;
  std::string district;
  LocatedAt(
      leaf.FileName,
      [&] { return TErrorPlace::Line(static_cast<unsigned long long>(file.LineNumber())); },
      [&] {
        while (!file.Eof()) {
          const std::size_t count = SplitCommaText(file.ReadLine(), items);
          const TLayout* layout = nullptr;
          if (count == kFixedItems) {
            layout = &kFixedLayout;
          } else if (count == kNamedItems && named) {
            layout = &*named;
          } else {
            continue;
          }

          ++n;
          const double x = Coordinate(Item(items, layout->Y));
          const double y = Coordinate(Item(items, layout->X));
          TFigPoint* fig = points->New();
          fig->ClassCode = kClass;
          fig->Name = RecordName(n);
          fig->LabelX = x;
          fig->LabelY = y;
          fig->AddPoint({x, y});

          if (n == 1) {
            const std::int32_t zone = StrToInt(Item(items, layout->Zone));
            // A zone outside the nineteen would have the points converted with the
            // theme's zone, or with none at all.
            if (zone < kMinZone || zone > kMaxZone) throw EZoneError(zone);
            leaf.Zone = TZone::Stated(zone);
            leaf.SheetName = Item(items, layout->Prefecture);
            leaf.SheetName += Item(items, layout->Municipality);
            leaf.Name = leaf.SheetName;
          }
          extent.Add(TFPoint{x, y});
          leaf.Extent = extent.Rect;

          district = Item(items, layout->District);
          district += Item(items, layout->SubDistrict);
          const std::string_view block = Item(items, layout->Block);
          std::string joined;
          joined.reserve(district.size() + 1 + block.size());
          joined.append(district).append("-").append(block);
          fig->Texts.reserve(3);
          fig->AddText(district);
          fig->AddText(std::string(block));
          fig->AddText(std::move(joined));
        }
      });

  points->UpdateExtents();
  leaf.Loaded = true;
}

}  // namespace chizro
