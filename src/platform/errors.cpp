#include "platform/errors.h"

namespace chizro {

EConvertError::EConvertError(std::string_view text)
    : EChizroError("'" + std::string(text) + "' は数値ではありません"), text_(text) {}

EFloatConvertError::EFloatConvertError(std::string_view text)
    : EChizroError("'" + std::string(text) + "' は浮動小数点数ではありません"), text_(text) {}

EListIndexError::EListIndexError(long long index)
    : EChizroError("リストのインデックスが範囲を超えています (" + std::to_string(index) + ")"),
      index_(index) {}

EFileNotFound::EFileNotFound() : EChizroError("ファイルが見つかりません") {}

EFileNotFound::EFileNotFound(std::string path)
    : EChizroError("ファイルが見つかりません"), path_(std::move(path)) {}

EZoneError::EZoneError(int zone)
    : EChizroError("平面直角座標系の系番号 " + std::to_string(zone) + " は範囲外です (1〜19)"),
      zone_(zone) {}

EInOutError::EInOutError(const std::string& what) : EChizroError("入出力エラー: " + what) {}

}  // namespace chizro
