#include "win/app/app_text.h"

#include "platform/errors.h"
#include "win/win_api.h"

namespace chizro {
namespace {

constexpr UINT kCodePageSjis = 932;

// The length of the UTF-8 sequence at `s` (its code point in `cp`), or 0
// when it is no valid, shortest-form sequence.
std::size_t Utf8Sequence(std::string_view s, char32_t& cp) {
  const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = b(0);
  std::size_t n = 0;
  if (lead < 0x80) {
    cp = lead;
    return 1;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    n = 2;
    cp = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    n = 3;
    cp = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    n = 4;
    cp = lead & 0x07u;
  } else {
    return 0;
  }
  if (s.size() < n) return 0;
  for (std::size_t i = 1; i < n; ++i) {
    if ((b(i) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i) & 0x3Fu);
  }
  const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

bool SjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool SjisTrail(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

}  // namespace

std::wstring WideText(std::string_view utf8) {
  std::wstring wide;
  wide.reserve(utf8.size());
  while (!utf8.empty()) {
    char32_t cp = 0;
    std::size_t n = Utf8Sequence(utf8, cp);
    if (n > 0) {
      if (cp >= 0x10000) {
        cp -= 0x10000;
        wide += static_cast<wchar_t>(0xD800 + (cp >> 10));
        wide += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
      } else {
        wide += static_cast<wchar_t>(cp);
      }
    } else {
      // One Shift_JIS character: a double-byte one, or a single byte.
      const auto c = static_cast<unsigned char>(utf8[0]);
      n = SjisLead(c) && utf8.size() > 1 && SjisTrail(static_cast<unsigned char>(utf8[1])) ? 2 : 1;
      wchar_t w[2] = {};
      const int got = MultiByteToWideChar(kCodePageSjis, MB_ERR_INVALID_CHARS, utf8.data(),
                                          static_cast<int>(n), w, 2);
      wide += got == 1 ? w[0] : L'\uFFFD';
    }
    utf8.remove_prefix(n);
  }
  return wide;
}

std::string Utf8Text(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0)
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size,
                        nullptr, nullptr);
  return utf8;
}

std::string SjisFileName(std::wstring_view wide) {
  if (wide.empty()) return {};
  BOOL lost = FALSE;
  const int size = WideCharToMultiByte(kCodePageSjis, WC_NO_BEST_FIT_CHARS, wide.data(),
                                       static_cast<int>(wide.size()), nullptr, 0, nullptr, &lost);
  std::string sjis(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0)
    WideCharToMultiByte(kCodePageSjis, WC_NO_BEST_FIT_CHARS, wide.data(),
                        static_cast<int>(wide.size()), sjis.data(), size, nullptr, &lost);
  if (size <= 0 || lost)
    throw EChizroError("ファイル名に Shift_JIS で表せない文字があるため開けません: " +
                       Utf8Text(wide));
  return sjis;
}

}  // namespace chizro
