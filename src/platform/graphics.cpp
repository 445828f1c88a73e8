#include "platform/graphics.h"

#include "platform/errors.h"

namespace chizro {
void TImageList::SetSize(int width, int height) {
  images_.clear();
  width_ = width;
  height_ = height;
}

int TImageList::Add(std::unique_ptr<TBitmap> image) {
  if (!image) return -1;
  images_.push_back(std::move(image));
  return Count() - 1;
}

const TBitmap* TImageList::Get(int index) const {
  if (index < 0 || index >= Count()) throw EListIndexError(index);
  return images_[static_cast<std::size_t>(index)].get();
}

}  // namespace chizro
