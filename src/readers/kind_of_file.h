// The data kind of a file judged by its content, for a file opened without
// a kind: the window's "すべてのファイル" and the converter without --kind.
#pragma once

#include <string>

namespace chizro {

// The kind code of a file to be opened as its content shows.
inline constexpr int kKindByContent = 0;

// The data kind whose reader takes `fileName`, asked in the order of the
// kind table: a bitmap, a binary vector file, a zip of 基盤地図情報 or of
// 地図XML, an XML file by its root (GPX, 基盤地図情報, 地図XML, else XML
// 地域データ), a text file by its first line (国土数値情報, GPS 航跡,
// 街区レベル位置参照情報, 電子海図レコードリスト). The 1:2500 SDF map when no
// other kind claims the file, a folder, or a file that cannot be read.
int KindOfFile(const std::string& fileName);

}  // namespace chizro
