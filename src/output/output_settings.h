// The output settings: how the JW_CAD writer separates the drawing into
// layers, and which layer, line colour, line type and text type each data
// class receives. They live in the settings file "def\chizro.ini":
//
//   [Layers]
//   Output=L|G|N          L: a layer per class, G: a layer group per class,
//                         anything else (or missing): no layer separation
//   [Elements]
//   <class code>=<title>,<layer>,<line colour>,<line type>,<text type>
//   [Map]
//   Zone=0|1..19          the project's plane rectangular zone: 0 (or
//                         missing) lets the first data choose it
//   ContourInterval=<m>   contour lines of elevation models; 0 (or missing)
//                         takes the interval by cell size of the definition
//                         file
//
// An "Elements" value is comma text of (at least) five fields. The set of
// classes is the set of keys the file holds; nothing here adds or removes one.
// The writer reads the file anew on every run; the settings dialog reads it,
// edits the rows and saves them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "coords/zone.h"
#include "platform/errors.h"

namespace chizro {

enum class TLayerMode { None, Layer, Group };

// One "Elements" entry: the class code and its value split into fields.
struct TElementRow {
  std::string Key;
  std::vector<std::string> Fields;
  // Where the entry stands: the settings file and its 1-based line (empty
  // and 0 for a row not read from a file), for messages.
  std::string FileName;
  std::size_t Line = 0;

  // Field `i`; EListIndexError when the entry has too few fields, naming the
  // file, the line and the entry.
  const std::string& Field(std::size_t i) const;
  // Names the file, the line and the entry in the message of `e`.
  void Locate(EChizroError& e) const;
};

class TOutputSettings final {
public:
  // The settings file "def\chizro.ini" of a program folder.
  static std::string FileIn(const std::string& programFolder);

  // Reads "Output" of "Layers" and every "Elements" entry in file order. A
  // missing file or section reads as no layer separation and no entries.
  void Load(const std::string& fileName);
  // Writes "Output" ("L", "G" or "N") and every row under its key as its
  // first five fields joined by commas. A row of fewer than five fields
  // fails with EListIndexError before anything is written. A field that
  // holds a blank, a comma or a double quote is written quoted, so that it
  // reads back as the one field it is.
  void Save(const std::string& fileName) const;

  // The mode the "Output" value stands for: "L" and "G" exactly, anything
  // else no layer separation.
  TLayerMode Mode() const noexcept;
  void SetMode(TLayerMode mode);

  // The row of a class code (letter case ignored), or null; among keys
  // differing only in case, the first in the file.
  const TElementRow* Find(std::string_view code) const;

  // Checks the fields JW_CAD reads against the ranges it accepts
  // (SettingValue): the layer only in the modes that write it, and only the
  // fields an entry has (a short entry fails when its class is written).
  // Throws ESettingsError for the first value out of range.
  void CheckRanges() const;

  // The "Output" value as read ("" when missing).
  std::string Output;
  std::vector<TElementRow> Rows;
  // "Map": the zone (stored as 0 for automatic, else 1 to 19; anything else
  // reads as automatic)
  // and the contour interval [m] (0 automatic; what is not a positive number
  // up to kMaxContourInterval reads as 0). Written back only when set or
  // already in the file.
  TZone Zone = TZone::Automatic();
  double ContourInterval = 0;
  static constexpr double kMaxContourInterval = 1000;

  static constexpr std::size_t kFieldCount = 5;
};

// A contour interval as typed [m]: blanks around it aside, "" or "0" is 0
// (the default by cell size), a number from 0 to kMaxContourInterval with "."
// as the decimal point is itself; anything else is nullopt.
std::optional<double> ParseContourInterval(std::string_view text);

// What JW_CAD reads of the fields of an "Elements" value: field 1 is the
// layer or layer group, one hexadecimal digit ("ly%x", "lg%x"); field 2 the
// line colour "lc" 1 to 9; field 3 the line type "lt" 1 to 9; field 4 the
// text kind "cn" 1 to 10 ("cn0" would need four more numbers).
struct TSettingRange {
  const char* Name;     // the field's caption in the settings dialog (UTF-8)
  const char* Allowed;  // the values allowed, as the user is told (UTF-8)
};
// The range of field 1 to 4; null for other fields (the title has none).
const TSettingRange* SettingRange(std::size_t field) noexcept;
// The value as JW_CAD is to get it, or nothing when it is out of range. A
// hexadecimal digit may be given in lower case and comes back in capitals;
// numbers are plain decimal digits without sign, blanks or leading zeros.
// Fields without a range come back unchanged.
std::optional<std::string> SettingValue(std::size_t field, std::string_view value);

}  // namespace chizro
