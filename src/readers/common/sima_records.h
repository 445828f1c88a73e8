// The records of SIMA files (測量データ共通フォーマット, ".sim"), the text
// that Japanese surveying instruments and surveying programs exchange points
// and parcels in. One record a line, its fields separated by commas (blanks
// around a field are layout), the record's code first:
//
//   G00,<version>,<title>,        header
//   Z00,<section title>,          a section (座標ﾃﾞｰﾀ, 区画ﾃﾞｰﾀ, ...)
//   A00, ... A99                  the point section
//   A01,<number>,<name>,<X>,<Y>[,<H>],   a point: X north, Y east [m], H its
//                                 height, empty when not measured
//   D00,<number>,<name>[,...],    a parcel (画地) begins
//   B01,<number>,<name>,          one of its points, in order
//   D99,                          the parcel ends
//
// Other records (routes C00.., cross sections E00.., anything unknown) are
// counted and passed over. A parcel names its points by number and name:
// the number finds the point (among several of one number, the one of the
// same name), a number of zero or none the name.
//
// Used by the SIMA reader and by the control-point files, which take A01
// points by name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"

namespace chizro {

struct TSimaPoint {
  std::int64_t Number = 0;  // 0: none
  std::string Name;         // Shift_JIS
  double X = 0;             // north [m]
  double Y = 0;             // east [m]
  std::optional<double> H;  // height [m]
  std::uint64_t Line = 0;   // where it was read
};

struct TSimaParcel {
  std::int64_t Number = 0;
  std::string Name;                 // Shift_JIS
  std::vector<std::uint32_t> Ring;  // indices into the points, closing point not repeated
  std::uint64_t Line = 0;           // its D00
};

struct TSimaData {
  std::string Title;  // the G00 header's, Shift_JIS
  std::vector<TSimaPoint> Points;
  std::vector<TSimaParcel> Parcels;
  std::uint64_t Skipped = 0;  // records of other kinds passed over
  bool AnyRecord = false;     // some line was a SIMA record
};

// Reads the records of a whole text (Shift_JIS, or UTF-8 with or without a
// byte order mark: names come out in Shift_JIS). Points and parcels go into
// `data` as they are read; the first fault stops the reading and is
// returned as EInOutError's detail and place (the line): a record with too
// few fields, a coordinate that is not a number, a B01 outside a parcel, a
// parcel of a point that is not in the file. What was read before stays in
// `data`. nullopt when the whole text was read.
struct TSimaFault {
  std::string Detail;
  TErrorPlace Place;
};
std::optional<TSimaFault> ReadSimaRecords(std::string text, TSimaData& data);

// A field without the blanks around it (spaces and tabs; a Shift_JIS name
// has no such byte inside a character), as SIMA and control-point files
// lay their fields out.
std::string_view TrimSimaField(std::string_view s) noexcept;

// The fields of a line split at every comma (a comma byte is never part of
// a Shift_JIS character), each trimmed; a comma at the end adds no field.
void SplitSimaFields(std::string_view line, std::vector<std::string_view>& fields);

// True when `head` (the first bytes of a file) looks like SIMA: its first
// record lines (blank lines aside) begin with G00, Z00, A00 or A01.
bool LooksLikeSima(std::string_view head) noexcept;

}  // namespace chizro
