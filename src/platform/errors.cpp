#include "platform/errors.h"

#include "platform/file_path.h"
#include "platform/sjis.h"

namespace chizro {
namespace {

// "'text'" followed by `suffix`. The offending text comes from data files in
// Shift_JIS; the message is UTF-8, so it is converted for the user to read.
std::string QuotedMessage(std::string_view text, std::string_view suffix) {
  bool ascii = true;
  for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  const std::string shown = ascii ? std::string(text) : SjisToUtf8(text);
  std::string message;
  message.reserve(shown.size() + suffix.size() + 2);
  message.append(1, '\'').append(shown).append(1, '\'').append(suffix);
  return message;
}

}  // namespace

EConvertError::EConvertError(std::string_view text)
    : EChizroError(QuotedMessage(text, " は数値ではありません")), text_(text) {}

EFloatConvertError::EFloatConvertError(std::string_view text)
    : EChizroError(QuotedMessage(text, " は浮動小数点数ではありません")), text_(text) {}

EListIndexError::EListIndexError(long long index)
    : EChizroError("リストのインデックスが範囲を超えています (" + std::to_string(index) + ")"),
      index_(index) {}

EFileNotFound::EFileNotFound(std::string path, const std::string& hint)
    : EChizroError("ファイルが見つかりません: " + Quoted(path) +
                   (hint.empty() ? std::string() : "\n" + hint)),
      path_(std::move(path)) {}

void EChizroError::Locate(const std::string& fileName, const TErrorPlace& place) {
  if (Located() || fileName.empty()) return;
  fileName_ = fileName;
  place_ = place;
  std::string where = Quoted(fileName);
  switch (place.Kind) {
    case TErrorPlace::TKind::Line:
      if (place.Number > 0) where += " の " + std::to_string(place.Number) + " 行目";
      if (!place.Id.empty())
        where += (place.Number > 0 ? " " : " の ") + place.Id +
                 (place.Number > 0 ? "" : " (ありません)");
      break;
    case TErrorPlace::TKind::Offset:
      where += " の " + std::to_string(place.Number) + " バイト目 (先頭が 0)";
      break;
    case TErrorPlace::TKind::Element:
      where += " の要素 " + place.Id;
      break;
    case TErrorPlace::TKind::None:
      break;
  }
  message_ = where + ": " + detail_;
}

EZoneError::EZoneError(int zone)
    : EChizroError("平面直角座標系の系番号 " + std::to_string(zone) + " は範囲外です (1〜19)"),
      zone_(zone) {}

ESettingsError::ESettingsError(const std::string& code, const std::string& field,
                               const std::string& value, const std::string& allowed)
    : EChizroError("出力設定のデータ分類 \"" + code + "\" の" + field + " \"" + value +
                   "\" は JW_CAD が読めない値です (" + allowed + ")") {}

EInOutError::EInOutError(const std::string& what) : EChizroError("入出力エラー: " + what) {}

ENoFigures::ENoFigures(const std::string& fileName, const std::string& reason)
    : EChizroError(Quoted(fileName) + " に描ける図形がありません (" + reason + ")") {
}

namespace {

std::string ScanMessage(const std::vector<std::string>& failures) {
  std::string message = "開けなかった地図があります";
  for (const std::string& f : failures) message.append(1, '\n').append(f);
  return message;
}

}  // namespace

EScanError::EScanError(const std::vector<std::string>& failures)
    : EChizroError(ScanMessage(failures)), count_(failures.size()) {}

}  // namespace chizro
