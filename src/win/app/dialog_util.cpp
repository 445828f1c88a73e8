#include "win/app/dialog_util.h"

#include <cstring>

namespace chizro {

std::vector<WORD> DialogTemplate(const std::wstring& title, DWORD style) {
  DLGTEMPLATE head = {};
  head.style = style;
  std::vector<WORD> words(sizeof head / sizeof(WORD));
  std::memcpy(words.data(), &head, sizeof head);
  words.push_back(0);  // no menu
  words.push_back(0);  // the standard dialog class
  for (wchar_t c : title) words.push_back(static_cast<WORD>(c));
  words.push_back(0);
  return words;
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace chizro
