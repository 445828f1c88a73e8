// Shift_JIS through glibc's iconv (code set "CP932"). The Windows build has
// its own implementation over code page 932 (sjis_win.cpp) that agrees with
// this one byte for byte.
#ifndef _WIN32

#include "platform/sjis.h"

#include <errno.h>
#include <iconv.h>

#include <stdexcept>

namespace chizro {
namespace {

// One iconv conversion; `replacement` stands for each input byte sequence that
// the target cannot take or the source does not allow.
std::string Convert(const char* to, const char* from, std::string_view in,
                    std::string_view replacement) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1))
    throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
  std::string out;
  out.reserve(in.size() * 3 / 2 + 8);
  char buffer[4096];
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  while (srcLeft > 0) {
    char* dst = buffer;
    std::size_t dstLeft = sizeof buffer;
    const std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, static_cast<std::size_t>(dst - buffer));
    if (rc == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: skip one input byte (for UTF-8, the whole sequence
      // is skipped byte by byte but replaced once).
      out.append(replacement);
      ++src;
      --srcLeft;
      if (std::string_view(from) == "UTF-8")
        while (srcLeft > 0 && (static_cast<unsigned char>(*src) & 0xC0) == 0x80) {
          ++src;
          --srcLeft;
        }
    }
  }
  char* dst = buffer;
  std::size_t dstLeft = sizeof buffer;
  iconv(cd, nullptr, nullptr, &dst, &dstLeft);
  out.append(buffer, static_cast<std::size_t>(dst - buffer));
  iconv_close(cd);
  return out;
}

}  // namespace

std::string SjisToUtf8(std::string_view sjis) {
  return Convert("UTF-8", "CP932", sjis, "\xEF\xBF\xBD");
}

std::string Utf8ToSjis(std::string_view utf8) { return Convert("CP932", "UTF-8", utf8, "?"); }

}  // namespace chizro

#endif  // !_WIN32
