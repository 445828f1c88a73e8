#include "qt/canvas/qt_bitmap.h"

#include <QByteArray>

#include <fstream>
#include <iterator>

#include "platform/file_path.h"

namespace chizro {
namespace {

std::unique_ptr<TBitmap> LoadImageFile(const std::string& path) {
  std::ifstream in(FsPath(path), std::ios::binary);
  if (!in) return nullptr;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  QImage image;
  if (!image.loadFromData(
          QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()))))
    return nullptr;
  return std::make_unique<TQtBitmap>(std::move(image));
}

}  // namespace

std::unique_ptr<TBitmap> TQtBitmapLoader::LoadBitmap(const std::string& path) {
  return LoadImageFile(path);
}

std::unique_ptr<TBitmap> TQtBitmapLoader::LoadIcon(const std::string& path) {
  return LoadImageFile(path);
}

}  // namespace chizro
