// Shift_JIS conversion held to glibc's CP932 on every platform: the table
// tests/data/sjis/cp932_glibc.txt was written from glibc's iconv once; the
// iconv implementation must still agree with it, and the one over Windows
// code page 932 must agree byte for byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/comma_text.h"
#include "platform/sjis.h"
#include "support/leaf_dump.h"
#include "test_support.h"

namespace chizro {
namespace {

constexpr char32_t kNone = 0xFFFFFFFF;
const std::string kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

std::string Utf8(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

// The code points of well-formed UTF-8.
std::u32string CodePoints(std::string_view s) {
  std::u32string out;
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    const std::size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    char32_t c = n == 1 ? b : b & (0x3F >> (n - 1));
    for (std::size_t k = 1; k < n; ++k) c = c << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    out += c;
    i += n;
  }
  return out;
}

std::string Bytes(std::istream& in) {
  std::string out;
  for (std::string hex; in >> hex && hex != "=";)
    out += static_cast<char>(std::stoul(hex, nullptr, 16));
  return out;
}

std::string Hex(std::string_view s) {
  std::string out;
  char buf[4];
  for (const char c : s) {
    std::snprintf(buf, sizeof buf, " %02X", static_cast<unsigned char>(c));
    out += buf;
  }
  return out;
}

// The table of cp932_glibc.txt.
struct TCp932 {
  char32_t Single[256];
  std::map<int, std::u32string> Rows;                  // lead byte -> 188 characters
  std::map<char32_t, std::string> Encode;              // characters of many codes or none
  std::map<char32_t, std::vector<std::string>> Codes;  // character -> codes that decode to it
  char32_t DropFirst = 0;
  char32_t DropLast = 0;
  std::vector<std::pair<std::string, std::string>> SjisStrings;
  std::vector<std::pair<std::string, std::string>> Utf8Strings;

  // The code (or text) that the character gives.
  std::string Expected(char32_t c) const {
    if (c >= DropFirst && c <= DropLast) return "";
    if (const auto it = Encode.find(c); it != Encode.end()) return it->second;
    const auto it = Codes.find(c);
    return it != Codes.end() && it->second.size() == 1 ? it->second.front() : "?";
  }
};

const TCp932& Table() {
  static const TCp932 table = [] {
    TCp932 t;
    std::istringstream file(test::ReadFile(test::DataPath("sjis/cp932_glibc.txt")));
    for (std::string line; std::getline(file, line);) {
      std::istringstream in(line);
      std::string kind;
      in >> kind;
      if (kind == "single") {
        for (char32_t& c : t.Single) {
          std::string v;
          in >> v;
          c = v == "-" ? kNone : static_cast<char32_t>(std::stoul(v, nullptr, 16));
        }
      } else if (kind == "lead") {
        std::string lead;
        std::string row;
        in >> lead >> row;
        t.Rows[std::stoi(lead, nullptr, 16)] = CodePoints(row);
      } else if (kind == "encode") {
        std::string c;
        std::string code;
        in >> c >> code;
        std::string bytes;
        for (std::size_t i = 0; i < code.size(); i += 2)
          bytes += static_cast<char>(std::stoul(code.substr(i, 2), nullptr, 16));
        t.Encode[static_cast<char32_t>(std::stoul(c, nullptr, 16))] = bytes;
      } else if (kind == "drop") {
        std::string first;
        std::string last;
        in >> first >> last;
        t.DropFirst = static_cast<char32_t>(std::stoul(first, nullptr, 16));
        t.DropLast = static_cast<char32_t>(std::stoul(last, nullptr, 16));
      } else if (kind == "sjis" || kind == "utf8") {
        std::string from = Bytes(in);
        std::string to = Bytes(in);
        (kind == "sjis" ? t.SjisStrings : t.Utf8Strings).emplace_back(from, to);
      }
    }
    for (int b = 0; b < 256; ++b)
      if (t.Single[b] != kNone)
        t.Codes[t.Single[b]].push_back(std::string(1, static_cast<char>(b)));
    for (const auto& [lead, row] : t.Rows) {
      std::size_t i = 0;
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        if (trail == 0x7F) continue;
        if (row[i] != 0xFFFD)
          t.Codes[row[i]].push_back({static_cast<char>(lead), static_cast<char>(trail)});
        ++i;
      }
    }
    return t;
  }();
  return table;
}

// Every single byte and every lead byte with every trail byte 40..FC, each
// alone; a pair that is no character gives U+FFFD for the lead byte and the
// trail byte as it stands alone. Each row once more as one text.
TEST(Cp932, DecodesEveryCodeAsGlibc) {
  const TCp932& t = Table();
  ASSERT_EQ(t.Rows.size(), 60u);
  auto alone = [&](unsigned b) {
    return IsSjisLeadByte(static_cast<unsigned char>(b)) || t.Single[b] == kNone
               ? kReplacement
               : Utf8(t.Single[b]);
  };
  int wrong = 0;
  for (unsigned b = 0; b < 256; ++b) {
    const std::string got = SjisToUtf8(std::string(1, static_cast<char>(b)));
    if (got != alone(b) && ++wrong <= 10)
      ADD_FAILURE() << Hex(std::string(1, static_cast<char>(b))) << " gives" << Hex(got);
  }
  for (const auto& [lead, row] : t.Rows) {
    std::string all;
    std::string allExpected;
    std::size_t i = 0;
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      const std::string code = {static_cast<char>(lead), static_cast<char>(trail)};
      const char32_t c = row[i++];
      const std::string expected = c == 0xFFFD ? kReplacement + alone(trail) : Utf8(c);
      const std::string got = SjisToUtf8(code);
      if (got != expected && ++wrong <= 10)
        ADD_FAILURE() << Hex(code) << " gives" << Hex(got) << ", glibc" << Hex(expected);
      if (c != 0xFFFD) {
        all += code;
        allExpected += expected;
      }
    }
    EXPECT_EQ(SjisToUtf8(all), allExpected) << "row " << lead;
  }
  EXPECT_EQ(wrong, 0);
}

// Every character of the Basic Multilingual Plane and some beyond: the code
// glibc gives it, "?" for none, nothing for a tag character. All of them go
// through one conversion, each followed by a line feed, which no code holds
// (and which stands for itself).
TEST(Cp932, EncodesEveryCharacterAsGlibc) {
  const TCp932& t = Table();
  ASSERT_GT(t.Encode.size(), 300u);
  std::vector<char32_t> chars;
  for (char32_t c = 0; c < 0x10000; ++c)
    if ((c < 0xD800 || c > 0xDFFF) && c != U'\n') chars.push_back(c);
  for (char32_t c : {0x10000, 0x1F600, 0x2000B, 0xDFFFF, 0xEFFFF, 0x10FFFF}) chars.push_back(c);
  for (char32_t c = t.DropFirst - 2; c <= t.DropLast + 2; ++c) chars.push_back(c);
  std::string text;
  for (char32_t c : chars) text += Utf8(c) + "\n";
  const std::string got = Utf8ToSjis(text);
  std::size_t at = 0;
  int wrong = 0;
  for (char32_t c : chars) {
    const std::size_t end = got.find('\n', at);
    ASSERT_NE(end, std::string::npos)
        << "the output ends before U+" << std::hex << static_cast<std::uint32_t>(c);
    const std::string code = got.substr(at, end - at);
    if (code != t.Expected(c) && ++wrong <= 10)
      ADD_FAILURE() << "U+" << std::hex << static_cast<std::uint32_t>(c) << " gives" << Hex(code)
                    << ", glibc" << Hex(t.Expected(c));
    at = end + 1;
  }
  EXPECT_EQ(at, got.size());
  EXPECT_EQ(wrong, 0);
}

// Byte strings with bad bytes, cut characters and malformed UTF-8, and the
// characters of which glibc has a code that no code decodes to.
TEST(Cp932, ReplacesBadInputAsTheIconvImplementation) {
  ASSERT_GT(Table().SjisStrings.size(), 10u);
  ASSERT_GT(Table().Utf8Strings.size(), 10u);
  for (const auto& [from, to] : Table().SjisStrings)
    EXPECT_EQ(Hex(SjisToUtf8(from)), Hex(to)) << "Shift_JIS" << Hex(from);
  for (const auto& [from, to] : Table().Utf8Strings)
    EXPECT_EQ(Hex(Utf8ToSjis(from)), Hex(to)) << "UTF-8" << Hex(from);
}

#ifdef _WIN32
// The UTF-16 forms for the "W" functions follow the same tables.
TEST(Cp932, WideFormsFollowTheTable) {
  const std::string sjis = "\x83\x5C\x95\x5C ABC \x87\x40\x80";  // ソ表 ABC ①, a bad byte
  EXPECT_EQ(SjisToWide(sjis), L"\u30BD\u8868 ABC \u2460\uFFFD");
  EXPECT_EQ(WideToSjis(L"\u30BD\u8868 ABC \u2460"), "\x83\x5C\x95\x5C ABC \x87\x40");
  EXPECT_EQ(WideToSjis(L"\u301C\u00A5\U0001F600"), "\x81\x60\x5C?");
  EXPECT_EQ(WideToSjis(std::wstring(L"a") + wchar_t(0xD800) + L"b"), "a?b");  // lone surrogate
}
#endif

}  // namespace
}  // namespace chizro
