#include "readers/common/text_decode.h"

#include "platform/sjis.h"

namespace chizro {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// True when every byte above 0x7F belongs to a well-formed UTF-8 sequence
// (no overlong forms, no surrogates, nothing above U+10FFFF).
bool ValidUtf8(std::string_view s) noexcept {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const auto* end = p + s.size();
  while (p < end) {
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    int more = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
      more = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2;
      if (c == 0xE0) lo = 0xA0;
      if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;
    } else {
      return false;
    }
    if (end - p <= more) return false;
    if (p[1] < lo || p[1] > hi) return false;
    for (int i = 2; i <= more; ++i)
      if (p[i] < 0x80 || p[i] > 0xBF) return false;
    p += more + 1;
  }
  return true;
}

bool AllAscii(std::string_view s) noexcept {
  for (const char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace

TTextEncoding DetectTextEncoding(std::string_view text) noexcept {
  if (text.starts_with(kUtf8Bom)) return TTextEncoding::Utf8;
  if (AllAscii(text)) return TTextEncoding::Ascii;
  return ValidUtf8(text) ? TTextEncoding::Utf8 : TTextEncoding::ShiftJis;
}

std::string TextAsSjis(std::string text) {
  if (DetectTextEncoding(text) != TTextEncoding::Utf8) return text;
  std::string_view body = text;
  if (body.starts_with(kUtf8Bom)) body.remove_prefix(kUtf8Bom.size());
  return Utf8ToSjis(body);
}

}  // namespace chizro
