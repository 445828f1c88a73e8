// The base of every map model object, and the bounds-checked access to the
// model's owning lists.
//
// Text in the model. Every std::string of the model holds bytes, never
// converted while the model keeps them, in one of three encodings:
// - Map text is Shift_JIS (code page 932) on every platform: names of
//   figures and lists, class codes and titles (TClassDef, TDrawClass),
//   figure texts and labels (TFigure::Texts), property names and values,
//   theme titles. The readers keep Shift_JIS data as they read it and turn
//   UTF-8 or UTF-16 sources into Shift_JIS (platform/sjis.h); the window
//   converts to Unicode only to show it, and the JW_CAD output writes the
//   bytes as they are.
// - Path text is what platform/file_path.h describes: Shift_JIS on Windows,
//   the file system's own bytes elsewhere (UTF-8 on a usual Linux system).
//   It is held by every file name (TMapLeaf::FileName, TMapTheme::FileName
//   and DefFileName, the file names the builders are given) and by the
//   names made from one: a leaf's Name and SheetName when the reader takes
//   them from its file or folder name (a reader that takes them from the
//   data gives map text).
// - Messages for the user are UTF-8: the errors' what(), TMapLeaf's
//   LoadError, NoFigureReason and Notice, the names given to the open
//   progress.
#pragma once

#include <string>
#include <vector>

#include "platform/errors.h"

namespace chizro {

// The objects of the model are held through owning lists (std::unique_ptr)
// and never copied. Each kind that needs its owner keeps a typed pointer to
// it (TMapLeaf::Leaves, TMapLeafGrp::Theme, TMapTheme::Themes, ...).
class TMapObject {
public:
  TMapObject() = default;
  virtual ~TMapObject() = default;
  TMapObject(const TMapObject&) = delete;
  TMapObject& operator=(const TMapObject&) = delete;

  std::string Name;  // map text, or path text for a leaf named by its file
};

// Member `i` of an owning list, with the runtime's list-index error outside
// 0..count-1.
template <class Ptr>
auto ItemAt(const std::vector<Ptr>& items, int i) {
  if (i < 0 || static_cast<std::size_t>(i) >= items.size()) throw EListIndexError(i);
  return items[static_cast<std::size_t>(i)].get();
}

}  // namespace chizro
