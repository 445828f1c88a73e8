#include "win/app/app_text.h"

#include <filesystem>

#include "platform/errors.h"
#include "platform/file_path.h"
#include "win/canvas/win_api.h"

namespace chizro {

std::wstring WideText(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
  if (size > 0)
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
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

std::string ChosenFileName(std::wstring_view wide) {
  const std::filesystem::path chosen{std::wstring(wide)};
  std::string text = PathText(chosen);
  // A character without a Shift_JIS form comes back as another one.
  if (FsPath(text) != chosen)
    throw EChizroError("ファイル名に Shift_JIS で表せない文字があるため開けません: " +
                       Utf8Text(wide));
  return text;
}

}  // namespace chizro
