#include "platform/comma_text.h"

#include <array>

#include "platform/errors.h"

namespace chizro {
namespace {

constexpr bool IsBlank(unsigned char c) noexcept { return c >= 1 && c <= 32; }

// What a byte does in an unquoted field: nothing (a byte of the field), ends
// it (a comma or blank), or begins a Shift_JIS double-byte character.
enum TByteClass : unsigned char { kPlain, kEnds, kLead };
constexpr std::array<TByteClass, 256> kByteClasses = [] {
  std::array<TByteClass, 256> t{};
  for (unsigned c = 0; c < 256; ++c) {
    const auto b = static_cast<unsigned char>(c);
    t[c] = (b == ',' || IsBlank(b)) ? kEnds : IsSjisLeadByte(b) ? kLead : kPlain;
  }
  return t;
}();

bool NeedsQuotes(std::string_view field, bool last) noexcept {
  if (field.empty()) return last;  // a trailing comma adds no field
  for (const char c : field) {
    const auto u = static_cast<unsigned char>(c);
    if (IsBlank(u) || c == ',' || c == '"') return true;
  }
  return false;
}

}  // namespace

void SplitCommaTextViews(std::string_view text, std::vector<std::string_view>& fields,
                         std::deque<std::string>& storage) {
  fields.clear();
  if (!storage.empty()) storage.clear();
  const std::size_t n = text.size();
  std::size_t p = 0;
  auto skipBlanks = [&] {
    while (p < n && IsBlank(static_cast<unsigned char>(text[p]))) ++p;
  };
  skipBlanks();
  while (p < n) {
    if (text[p] == '"') {
      // Quoted field: runs to the closing quote; "" is one quote.
      std::string& field = storage.emplace_back();
      ++p;
      while (p < n) {
        const auto c = static_cast<unsigned char>(text[p]);
        if (c == '"') {
          if (p + 1 < n && text[p + 1] == '"') {
            field.push_back('"');
            p += 2;
            continue;
          }
          ++p;  // closing quote
          break;
        }
        if (IsSjisLeadByte(c) && p + 1 < n) {
          field.append(text.substr(p, 2));
          p += 2;
          continue;
        }
        field.push_back(static_cast<char>(c));
        ++p;
      }
      fields.emplace_back(field);
    } else {
      const std::size_t start = p;
      while (p < n) {
        const TByteClass k = kByteClasses[static_cast<unsigned char>(text[p])];
        if (k == kPlain) {
          ++p;
          continue;
        }
        if (k == kEnds) break;
        p += p + 1 < n ? 2 : 1;
      }
      fields.push_back(text.substr(start, p - start));
    }
    skipBlanks();
    if (p < n && text[p] == ',') {
      ++p;
      skipBlanks();
    }
  }
}

std::size_t SplitCommaText(std::string_view text, std::vector<std::string>& fields) {
  std::vector<std::string_view> views;
  std::deque<std::string> storage;
  SplitCommaTextViews(text, views, storage);
  fields.assign(views.begin(), views.end());
  return fields.size();
}

void TCommaFields::ThrowMissing(std::size_t i) {
  throw EListIndexError(static_cast<long long>(i));
}

std::vector<std::string> SplitCommaText(std::string_view text) {
  std::vector<std::string> fields;
  SplitCommaText(text, fields);
  return fields;
}

std::string JoinCommaText(const std::vector<std::string>& fields) {
  std::string out;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += ',';
    const std::string& f = fields[i];
    if (!NeedsQuotes(f, i + 1 == fields.size())) {
      out += f;
      continue;
    }
    out += '"';
    for (const char c : f) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
  }
  return out;
}

}  // namespace chizro
