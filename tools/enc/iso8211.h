// A reader of ISO/IEC 8211 files, the exchange format of S-57 chart cells.
//
// A file is a data descriptive record (DDR) followed by data records (DR).
// Every record has a 24-byte leader, a directory of (tag, length, position)
// entries ended by a field terminator (0x1E), and a field area. The DDR's
// fields describe the data fields: field controls, a name, an array
// descriptor of subfield labels ("RCNM!RCID", a leading "*" where the
// repeating group starts) and format controls ("(b11,b14,2b12,A)").
//
// Subfield formats understood: A (characters), I (integer), R (real),
// S (scaled real), C (character bit string), each fixed with a width in
// parentheses or delimited by a unit terminator (0x1F); B(n) (bit string of n
// bits); and the binary forms bTW, an integer of W bytes least significant
// byte first (T = 1 unsigned, 2 signed, 3 fixed point, 4 float, 5 complex).
// A field whose escape sequence is "%/A" holds UCS-2 text (S-57 lexical level
// 2): its text subfields and terminators are two bytes wide.
//
// The file is untrusted: every length and position is checked against the
// bytes there are, and every count against what it can take, before any is
// used. A file that breaks the structure raises TFormatError with the offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace iso8211 {

class TFormatError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

inline constexpr char kFieldTerminator = 0x1E;
inline constexpr char kUnitTerminator = 0x1F;

struct TSubfieldDefn {
  std::string Label;
  char Form = 'A';        // A, I, R, S, C, B or b
  int BinaryType = 0;     // for b: 1 unsigned, 2 signed, 3 fixed point, 4 float, 5 complex
  std::size_t Width = 0;  // bytes; 0 when the value ends at a unit terminator
};

struct TFieldDefn {
  std::string Tag;
  char StructureCode = '0';  // 0 elementary, 1 vector, 2 array, 3 concatenated
  char TypeCode = '0';
  std::string EscapeSequence;
  std::string Name;
  std::vector<TSubfieldDefn> Subfields;
  // Index of the first subfield of the repeating group; Subfields.size()
  // when nothing repeats.
  std::size_t RepeatFrom = 0;
  bool WideText = false;

  bool Repeats() const noexcept { return RepeatFrom < Subfields.size(); }
};

// A data field of a record, as it lies in the file.
struct TField {
  std::string_view Tag;
  std::string_view Data;             // without its field terminator
  const TFieldDefn* Defn = nullptr;  // null when the DDR does not describe the tag
};

// One subfield value: its definition and its bytes (without terminator).
struct TValue {
  const TSubfieldDefn* Defn = nullptr;
  std::string_view Bytes;
};

// Expands format controls into one format per subfield, in order:
// "(b11,2b12,A(8),2(I,A))" gives b11 b12 b12 A(8) I A I A. Throws
// TFormatError for text it cannot read.
std::vector<TSubfieldDefn> ParseFormatControls(std::string_view formats);

class TModule {
public:
  // Reads the DDR of the whole file `data`, which must outlive the module.
  explicit TModule(std::string_view data);

  const std::vector<TFieldDefn>& FieldDefns() const noexcept { return defns_; }
  const TFieldDefn* FindDefn(std::string_view tag) const noexcept;

  // Reads the next data record into `fields` (cleared first) and gives the
  // offset at which it starts. False at the end of the file.
  bool NextRecord(std::vector<TField>& fields, std::size_t& offset);

  // The subfield values of a field (cleared first), the non-repeating
  // subfields first and then each repetition of the group; `repetitions` is
  // the number of repetitions of the group (1 for a field that does not
  // repeat). Throws TFormatError when the data do not fit the definition.
  static void SplitField(const TField& field, std::vector<TValue>& values,
                         std::size_t& repetitions);

private:
  std::string_view data_;
  std::size_t next_ = 0;
  std::vector<TFieldDefn> defns_;  // sorted by tag
};

}  // namespace iso8211
