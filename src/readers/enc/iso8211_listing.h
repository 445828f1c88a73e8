// The record listing of an S-57 chart cell: the lower layer of the ENC chart
// reader. The listing gives the cell's ISO/IEC 8211 records as text, one
// line per field:
//
//   "RECN..."      a record begins (the rest of the line is not read)
//   "****..."      the record ends
//   any other line a field: character 1 not read, characters 2 to 5 the tag,
//                  character 6 not read, from character 7 the content
//
// The content is comma text: item 0 the number of repetitions of the field's
// repeating group, item 1 not read, then the subfields as "NAME=value" items
// (bare numbers in "SG2D" and "SG3D"). Record pointers (NAME) read
// "xxRRIIIIIIII": two characters not read, the record name RCNM as two hex
// digits and the record identifier RCID as four hex bytes, least
// significant first. Attribute values (ATVL) read "xx" and then the bytes of
// the text as hex pairs, up to a "00" pair.
//
// This layer finds records and fields, looks up subfields, decodes pointers
// and hex texts, takes the dataset's coordinate and sounding multiplication
// factors (COMF, SOMF) and keeps the vector records (isolated nodes 110,
// connected nodes 120, edges 130) for the feature layer to assemble.
//
// The listing is read once into memory; lines and items are views into it,
// so a field line costs no allocation. Every count is checked against the
// items present before anything is allocated for it.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>

#include <string>
#include <string_view>
#include <vector>
#include "platform/comma_text.h"
#include "readers/common/text_filer.h"

namespace chizro {

// A position of the chart: x longitude, y latitude [deg], z depth in the
// sounding unit [m] (0 for two-dimensional positions).
struct TEncVertex {
  double x = 0;
  double y = 0;
  double z = 0;
  friend bool operator==(const TEncVertex&, const TEncVertex&) = default;
};

// An isolated node, connected node or edge.
struct TVectorRecord {
  // The number of pointers the "VRPT" field declares, and the "NAME" values
  // it holds, in field order (for an edge: begin node, end node). A declared
  // pointer without a value reads as empty text.
  int PointerCount = 0;
  std::vector<std::string_view> Pointers;
  std::vector<TEncVertex> Vertices;

  std::string_view Pointer(int k) const noexcept {
    return k >= 0 && static_cast<std::size_t>(k) < Pointers.size()
               ? Pointers[static_cast<std::size_t>(k)]
               : std::string_view();
  }
};

enum class TListingLineKind { RecordStart, RecordEnd, Field };

// "RECN" and "****" in characters 1 to 4 start and end a record.
TListingLineKind ListingLineKind(std::string_view line) noexcept;

// Characters 2 to 5 of a line (fewer when the line is shorter).
std::string_view ListingTag(std::string_view line) noexcept;

// One field line, split into its tag and content items. Reused from line to
// line, it keeps its buffers.
class TFieldLine {
public:
  void Assign(std::string_view line);

  std::string_view Tag() const noexcept { return tag_; }
  std::size_t Count() const noexcept { return items_.Count(); }
  // Item i; EListIndexError when there is none.
  std::string_view Item(std::size_t i) const;
  // Item 0 as an integer: EListIndexError when absent, EConvertError when it
  // is not an integer.
  std::int32_t RepeatCount() const;

  // The value of the `occurrence`-th item (from 0) among items 2 onwards
  // that begins with `name` and "="; empty text when there is none.
  std::string_view Subfield(std::string_view name, int occurrence) const;
  // The values of all such items, in order (`values` is cleared first).
  void Subfields(std::string_view name, std::vector<std::string_view>& values) const;

private:
  std::string_view tag_;
  TCommaFields items_;
};

class TEncListing {
public:
  // Reads the whole listing. EInOutError when it cannot be opened or read.
  // Errors of the passes then name the file and the line.
  static TEncListing FromFile(const std::string& fileName);
  explicit TEncListing(std::string text, std::string fileName = {});

  // The stores refer into the text: the listing stays where it was made.
  TEncListing(const TEncListing&) = delete;
  TEncListing& operator=(const TEncListing&) = delete;

  const std::string& Text() const noexcept { return text_; }

  // The vector pass: reads every vector record of the listing into the
  // stores (sorted by identifier text) and the factors of a "DSPM" field
  // into `comf` and `somf`, which keep their values when there is none.
  // Conversion and list-index errors end the pass; so does a factor that is
  // not positive (EInOutError).
  void ReadVectorPass(std::int32_t& comf, std::int32_t& somf);

  // Hands every field line tagged "FRID" to `handler`, which may read on
  // through `cursor` to the end of its record; the scan goes on after the
  // lines the handler has read.
  using TFeatureHandler = std::function<void(const TFieldLine& frid, TLineCursor& cursor)>;
  void ScanFeatureLines(const TFeatureHandler& handler) const;

  // The vector record a record pointer names, or null when its record name
  // is not 110, 120 or 130, its identifier is in no store, or the text is
  // not a pointer.
  const TVectorRecord* FindVectorRecord(std::string_view pointer) const;

  // Number of vertices held in the stores.
  std::size_t StoredVertexCount() const noexcept { return storedVertices_; }

  // An "ATVL" value: the bytes of its hex pairs from character 3 on, up to a
  // "00" pair or the end. EConvertError for a pair that is not hex.
  static std::string DecodeHexText(std::string_view value);

private:
  struct TStoreEntry {
    std::string_view Key;
    TVectorRecord Record;
  };

  void ParseVectorRecord(const TFieldLine& vrid, TLineCursor& cursor, std::int32_t comf,
                         std::int32_t somf);
  // `value` itself when it lies in the text, else a kept copy of it (the
  // text of a quoted item lives only as long as its field line).
  std::string_view Keep(std::string_view value);

  std::string text_;
  std::string fileName_;
  std::deque<std::string> kept_;
  std::array<std::vector<TStoreEntry>, 3> stores_;
  std::size_t storedVertices_ = 0;
};

}  // namespace chizro
