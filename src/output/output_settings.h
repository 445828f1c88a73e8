// The output settings: how the JW_CAD writer separates the drawing into
// layers, and which layer, line colour, line type and text type each data
// class receives. They live in the settings file "def\chizro.ini":
//
//   [Layers]
//   Output=L|G|N          L: a layer per class, G: a layer group per class,
//                         anything else (or missing): no layer separation
//   [Elements]
//   <class code>=<title>,<layer>,<line colour>,<line type>,<text type>
//
// An "Elements" value is comma text of (at least) five fields. The set of
// classes is the set of keys the file holds; nothing here adds or removes one.
// The writer reads the file anew on every run; the settings dialog reads it,
// edits the rows and saves them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace chizro {

enum class TLayerMode { None, Layer, Group };

// One "Elements" entry: the class code and its value split into fields.
struct TElementRow {
  std::string Key;
  std::vector<std::string> Fields;

  // Field `i`; EListIndexError when the entry has too few fields.
  const std::string& Field(std::size_t i) const;
};

class TOutputSettings final {
public:
  // The settings file beside the program.
  static std::string DefaultFileName();

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

  // The "Output" value as read ("" when missing).
  std::string Output;
  std::vector<TElementRow> Rows;

  static constexpr std::size_t kFieldCount = 5;
};

// Joins fields with single commas so that SplitCommaText gives them back:
// each field as it is, or quoted (a quote doubled) when it holds a blank, a
// comma or a double quote, or is empty and last.
std::string JoinCommaText(const std::vector<std::string>& fields);

}  // namespace chizro
