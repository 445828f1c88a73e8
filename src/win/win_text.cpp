#include "win/win_text.h"

#include <limits>

#include "win/win_api.h"

namespace chizro {
namespace {

constexpr UINT kCodePageSjis = 932;

}  // namespace

std::wstring SjisToWide(std::string_view sjis) {
  if (sjis.empty() || sjis.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
    return {};
  const int length = static_cast<int>(sjis.size());
  const int n = MultiByteToWideChar(kCodePageSjis, 0, sjis.data(), length, nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(kCodePageSjis, 0, sjis.data(), length, wide.data(), n);
  return wide;
}

std::string WideToSjis(std::wstring_view wide) {
  if (wide.empty() || wide.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
    return {};
  const int length = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(kCodePageSjis, WC_NO_BEST_FIT_CHARS, wide.data(), length,
                                    nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string sjis(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(kCodePageSjis, WC_NO_BEST_FIT_CHARS, wide.data(), length, sjis.data(), n,
                      nullptr, nullptr);
  return sjis;
}

}  // namespace chizro
