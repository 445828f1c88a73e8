// The record listing of an S-57 chart cell: the text form in which chizro
// opens a chart (data kind 61). One line per field, records enclosed:
//
//   RECN <record number>
//    <tag> <repetitions> <bytes> <label>=<value> <label>=<value> ...
//   ****
//
// A field line starts with a blank, the four-character tag stands in
// characters 2 to 5, a blank follows, and the content from character 7 on
// is a blank-separated list: the number of repetitions of the field's
// repeating group (1 for a field that does not repeat), the length of the
// field's data in bytes, then every subfield value in field order as its
// label, "=" and the value. The coordinate fields SG2D and SG3D give their
// values bare, without labels. Values:
//
//   - binary integers (bTW) and ASCII numbers (I, R, S) as decimal numbers;
//   - everything else (text A, bit strings B and C, other binary forms, and
//     a number field that does not hold a clean number) as "0x" followed by
//     two hexadecimal digits per byte. A record pointer NAME, B(40), thus
//     reads "0x" RCNM RCID-byte0 ... RCID-byte3, and an attribute value ATVL
//     "0x" and the bytes of its text.
//
// Nothing in a value or label is a blank, a comma or a double quote, so the
// content splits into exactly these items. The record identifier field
// "0001" is not listed: the record number stands in the "RECN" line. Lines
// end with CR LF.
#pragma once

#include <cstddef>
#include <ostream>
#include <string_view>

namespace iso8211 {

struct TListingStats {
  std::size_t Records = 0;
  std::size_t Fields = 0;
  // Fields whose data do not fit their description: listed with their raw
  // bytes as the single value "RAW=0x..." and a repetition count of 0.
  std::size_t BadFields = 0;
};

// Writes the listing of the cell `cell` (the whole file) to `out`. Problems
// with single fields are reported to `warnings` (when given) and listed as
// raw bytes; a cell whose structure is broken throws TFormatError.
TListingStats WriteListing(std::string_view cell, std::ostream& out,
                           std::ostream* warnings = nullptr);

}  // namespace iso8211
