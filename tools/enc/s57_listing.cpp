#include "s57_listing.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "iso8211.h"

namespace iso8211 {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kTagSize = 4;

void AppendHex(std::string& out, std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out += "0x";
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0x0F]);
  }
}

template <class T>
void AppendNumber(std::string& out, T value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

std::uint64_t LittleEndian(std::string_view bytes) {
  std::uint64_t v = 0;
  for (std::size_t i = bytes.size(); i-- > 0;) v = (v << 8) | static_cast<unsigned char>(bytes[i]);
  return v;
}

// An ASCII number as the file writes it, without its blanks, when it is one.
bool CleanNumber(std::string_view text, std::string_view& number) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  bool digit = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (!((c == '+' || c == '-') && (i == 0 || text[i - 1] == 'E' || text[i - 1] == 'e')) &&
               c != '.' && c != 'E' && c != 'e') {
      return false;
    }
  }
  if (!digit && !text.empty()) return false;
  number = text;
  return true;
}

void AppendValue(std::string& out, const TValue& value) {
  const TSubfieldDefn& s = *value.Defn;
  const std::string_view bytes = value.Bytes;
  switch (s.Form) {
    case 'b':
      switch (s.BinaryType) {
        case 1:
          AppendNumber(out, LittleEndian(bytes));
          return;
        case 2: {
          std::uint64_t u = LittleEndian(bytes);
          const unsigned bits = static_cast<unsigned>(bytes.size() * 8);
          if (bits < 64 && (u >> (bits - 1)) != 0) u |= ~std::uint64_t{0} << bits;
          AppendNumber(out, static_cast<std::int64_t>(u));
          return;
        }
        case 4: {
          const double d = bytes.size() == 4 ? static_cast<double>(std::bit_cast<float>(
                                                   static_cast<std::uint32_t>(LittleEndian(bytes))))
                                             : std::bit_cast<double>(LittleEndian(bytes));
          if (std::isfinite(d)) {
            AppendNumber(out, d);
            return;
          }
          break;
        }
        default:
          break;
      }
      break;
    case 'I':
    case 'R':
    case 'S': {
      std::string_view number;
      if (CleanNumber(bytes, number)) {
        out += number;
        return;
      }
      break;
    }
    default:
      break;
  }
  AppendHex(out, bytes);
}

// A subfield label as an item may carry it: no blanks, commas, quotes or
// equals signs, only printable ASCII.
void AppendLabel(std::string& out, std::string_view label) {
  for (const char c : label) {
    const auto b = static_cast<unsigned char>(c);
    out.push_back(b > 0x20 && b < 0x7F && c != ',' && c != '"' && c != '=' ? c : '_');
  }
}

}  // namespace

TListingStats WriteListing(std::string_view cell, std::ostream& out, std::ostream* warnings) {
  TListingStats stats;
  TModule module(cell);
  for (const TFieldDefn& d : module.FieldDefns())
    if (d.Tag.size() != kTagSize)
      throw TFormatError("not an S-57 cell: field tags are not four characters");

  std::vector<TField> fields;
  std::vector<TValue> values;
  std::string line;
  std::size_t offset = 0;
  while (module.NextRecord(fields, offset)) {
    ++stats.Records;
    line = "RECN ";
    AppendNumber(line, stats.Records);
    line += kLineEnd;
    out << line;
    for (const TField& field : fields) {
      if (field.Tag == "0001") continue;
      if (field.Tag.size() != kTagSize)
        throw TFormatError("not an S-57 cell: a field tag is not four characters");
      ++stats.Fields;
      line.assign(" ");
      line += field.Tag;
      line += ' ';
      std::size_t repetitions = 0;
      try {
        TModule::SplitField(field, values, repetitions);
        AppendNumber(line, repetitions);
        line += ' ';
        AppendNumber(line, field.Data.size());
        const bool bare = field.Tag == "SG2D" || field.Tag == "SG3D";
        for (const TValue& v : values) {
          line += ' ';
          if (!bare) {
            AppendLabel(line, v.Defn->Label);
            line += '=';
          }
          AppendValue(line, v);
        }
      } catch (const TFormatError& e) {
        ++stats.BadFields;
        if (warnings)
          *warnings << "record " << stats.Records << " (offset " << offset << "), field "
                    << field.Tag << ": " << e.what() << "\n";
        line.resize(kTagSize + 2);
        line += "0 ";
        AppendNumber(line, field.Data.size());
        line += " RAW=";
        AppendHex(line, field.Data);
      }
      line += kLineEnd;
      out << line;
    }
    out << "****" << kLineEnd;
  }
  return stats;
}

}  // namespace iso8211
