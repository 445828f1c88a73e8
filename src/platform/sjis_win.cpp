// Shift_JIS over Windows code page 932. The tables come from the system's
// MultiByteToWideChar and WideCharToMultiByte, made once; where Windows
// differs from glibc's "CP932", which the other platforms use, the tables
// follow glibc, so that both give the same bytes:
//   - bytes 0x80, 0xA0 and 0xFD..0xFF are no characters (Windows maps them
//     to U+0080 and to private-use characters);
//   - nine characters that no code decodes to have a code all the same
//     (glibc's one-way mappings: U+00A5 is 0x5C, U+301C is 0x8160, ...);
//   - the tag characters U+E0000..U+E007F are dropped, not replaced.
// Malformed input is replaced as the iconv implementation does it.
#ifdef _WIN32

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>

#include "platform/sjis.h"
#include "platform/utf8.h"

namespace chizro {
namespace {

// No character for a code, no code for a character: U+FFFF is a
// noncharacter, and 0xFFFF is no Shift_JIS code.
constexpr char16_t kNoChar = 0xFFFF;
constexpr std::uint16_t kNoCode = 0xFFFF;

constexpr char32_t kReplacementChar = 0xFFFD;
constexpr char kReplacementByte = '?';

struct TOneWay {
  char16_t Char;
  std::uint16_t Code;
};
constexpr std::array<TOneWay, 9> kGlibcOneWay = {{
    {0x00A2, 0x8191},  // CENT SIGN as FULLWIDTH CENT SIGN
    {0x00A3, 0x8192},  // POUND SIGN as FULLWIDTH POUND SIGN
    {0x00A5, 0x005C},  // YEN SIGN as the yen sign of JIS X 0201
    {0x00AC, 0x81CA},  // NOT SIGN as FULLWIDTH NOT SIGN
    {0x2014, 0x815C},  // EM DASH as HORIZONTAL BAR
    {0x2016, 0x8161},  // DOUBLE VERTICAL LINE as PARALLEL TO
    {0x203E, 0x007E},  // OVERLINE as the overline of JIS X 0201
    {0x2212, 0x817C},  // MINUS SIGN as FULLWIDTH HYPHEN-MINUS
    {0x301C, 0x8160},  // WAVE DASH as FULLWIDTH TILDE
}};

constexpr bool IsLeadByte(unsigned c) noexcept {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Single bytes from 0x80 up that glibc's CP932 does not take.
constexpr bool IsRejectedSingle(unsigned c) noexcept { return c == 0x80 || c == 0xA0 || c >= 0xFD; }

constexpr bool IsTagChar(char32_t c) noexcept { return c >= 0xE0000 && c <= 0xE007F; }

class TCodePage932 final {
public:
  static const TCodePage932& Get() {
    static const TCodePage932 table;
    return table;
  }

  // The character of a single byte, or kNoChar.
  char16_t Single(unsigned char b) const noexcept { return single_[b]; }
  // The character of a lead and a trail byte, or kNoChar.
  char16_t Double(unsigned char lead, unsigned char trail) const noexcept {
    return double_[static_cast<std::size_t>(lead - 0x80) * 256 + trail];
  }
  // The code of a character (one byte below 0x100), or kNoCode.
  std::uint16_t Code(char16_t c) const noexcept { return code_[c]; }

private:
  TCodePage932()
      : double_(std::make_unique<char16_t[]>(128 * 256)),
        code_(std::make_unique<std::uint16_t[]>(65536)) {
    single_.fill(kNoChar);
    for (std::size_t i = 0; i < 128 * 256; ++i) double_[i] = kNoChar;
    for (unsigned b = 0; b < 0x80; ++b) single_[b] = static_cast<char16_t>(b);
    for (unsigned b = 0x80; b < 0x100; ++b) {
      const char byte = static_cast<char>(b);
      if (!IsLeadByte(b) && !IsRejectedSingle(b)) single_[b] = Decode(&byte, 1);
    }
    for (unsigned lead = 0x81; lead < 0x100; ++lead) {
      if (!IsLeadByte(lead)) continue;
      for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
        if (trail == 0x7F) continue;
        const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        double_[(lead - 0x80) * 256 + trail] = Decode(bytes, 2);
      }
    }
    for (std::size_t c = 0; c < 65536; ++c) code_[c] = Encode(static_cast<char16_t>(c));
    for (const TOneWay& m : kGlibcOneWay) code_[m.Char] = m.Code;
  }

  // One character of code page 932 with the system's table.
  static char16_t Decode(const char* bytes, int n) {
    wchar_t out[2];
    const int got = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes, n, out, 2);
    return got == 1 ? static_cast<char16_t>(out[0]) : kNoChar;
  }

  // The code of `c` with the system's table, kept only when it decodes
  // again (to any character: some have two codes).
  std::uint16_t Encode(char16_t c) const {
    if (c >= 0xD800 && c <= 0xDFFF) return kNoCode;
    const wchar_t in = static_cast<wchar_t>(c);
    char out[4];
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &in, 1, out, sizeof out, nullptr,
                                      &usedDefault);
    if (usedDefault) return kNoCode;
    const auto b0 = static_cast<unsigned char>(out[0]);
    if (n == 1) return single_[b0] != kNoChar ? b0 : kNoCode;
    const auto b1 = static_cast<unsigned char>(out[1]);
    if (n == 2 && IsLeadByte(b0) && Double(b0, b1) != kNoChar)
      return static_cast<std::uint16_t>(b0 << 8 | b1);
    return kNoCode;
  }

  std::array<char16_t, 256> single_;
  std::unique_ptr<char16_t[]> double_;     // [lead - 0x80][trail]
  std::unique_ptr<std::uint16_t[]> code_;  // [character]
};

// Calls `emit` with each character of `sjis`: invalid bytes one by one as
// U+FFFD, a lead byte whose pair is no character included.
template <class Emit>
void DecodeSjis(std::string_view sjis, Emit&& emit) {
  const TCodePage932& cp = TCodePage932::Get();
  const std::size_t n = sjis.size();
  for (std::size_t i = 0; i < n;) {
    const auto b = static_cast<unsigned char>(sjis[i]);
    if (b < 0x80) {
      emit(static_cast<char32_t>(b));
      ++i;
      continue;
    }
    if (IsLeadByte(b) && i + 1 < n) {
      const char16_t c = cp.Double(b, static_cast<unsigned char>(sjis[i + 1]));
      if (c != kNoChar) {
        emit(static_cast<char32_t>(c));
        i += 2;
        continue;
      }
    }
    const char16_t c = cp.Single(b);
    emit(c != kNoChar ? static_cast<char32_t>(c) : kReplacementChar);
    ++i;
  }
}

void AppendCode(std::string& out, std::uint16_t code) {
  if (code > 0xFF) out.push_back(static_cast<char>(code >> 8));
  out.push_back(static_cast<char>(code & 0xFF));
}

// The Shift_JIS of one character: nothing for a tag character, "?" for one
// without a code. False for "?".
bool AppendChar(std::string& out, char32_t c) {
  if (c < 0x10000) {
    const std::uint16_t code = TCodePage932::Get().Code(static_cast<char16_t>(c));
    if (code == kNoCode) return false;
    AppendCode(out, code);
    return true;
  }
  return IsTagChar(c);
}

constexpr bool IsContinuation(unsigned char b) noexcept { return (b & 0xC0) == 0x80; }

// The character of the well-formed UTF-8 sequence at s[i] (shortest form, no
// surrogate, at most U+10FFFF) and its length, or length 0.
char32_t DecodeUtf8(std::string_view s, std::size_t i, std::size_t& length) {
  length = 0;
  const auto b = static_cast<unsigned char>(s[i]);
  std::size_t need;
  char32_t c;
  char32_t least;
  if (b < 0x80) {
    length = 1;
    return b;
  } else if (b >= 0xC2 && b <= 0xDF) {
    need = 1, c = b & 0x1F, least = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    need = 2, c = b & 0x0F, least = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    need = 3, c = b & 0x07, least = 0x10000;
  } else {
    return 0;
  }
  if (s.size() - i <= need) return 0;
  for (std::size_t k = 1; k <= need; ++k) {
    const auto t = static_cast<unsigned char>(s[i + k]);
    if (!IsContinuation(t)) return 0;
    c = c << 6 | (t & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  length = need + 1;
  return c;
}

}  // namespace

std::string SjisToUtf8(std::string_view sjis) {
  std::string out;
  out.reserve(sjis.size() * 3 / 2 + 8);
  DecodeSjis(sjis, [&](char32_t c) { AppendUtf8(out, c); });
  return out;
}

std::string Utf8ToSjis(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  const std::size_t n = utf8.size();
  for (std::size_t i = 0; i < n;) {
    std::size_t length = 0;
    const char32_t c = DecodeUtf8(utf8, i, length);
    if (length > 0 && AppendChar(out, c)) {
      i += length;
      continue;
    }
    // Malformed or without a code: one "?" for the byte and the
    // continuation bytes after it.
    out.push_back(kReplacementByte);
    ++i;
    while (i < n && IsContinuation(static_cast<unsigned char>(utf8[i]))) ++i;
  }
  return out;
}

std::wstring SjisToWide(std::string_view sjis) {
  std::wstring out;
  out.reserve(sjis.size());
  DecodeSjis(sjis, [&](char32_t c) { out.push_back(static_cast<wchar_t>(c)); });
  return out;
}

std::string WideToSjis(std::wstring_view wide) {
  std::string out;
  out.reserve(wide.size() * 2);
  const std::size_t n = wide.size();
  for (std::size_t i = 0; i < n; ++i) {
    char32_t c = static_cast<char16_t>(wide[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char16_t>(wide[i + 1]) - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      out.push_back(kReplacementByte);
      continue;
    }
    if (!AppendChar(out, c)) out.push_back(kReplacementByte);
  }
  return out;
}

}  // namespace chizro

#endif  // _WIN32
