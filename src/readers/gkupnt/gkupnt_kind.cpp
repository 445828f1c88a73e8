// The row of 街区レベル位置参照情報 in the kind table. Recognised by its
// heading row, which has the prefecture's column "都道府県名" (in Shift_JIS or
// UTF-8).
#include "readers/common/file_head.h"
#include "readers/data_kinds.h"
#include "readers/gkupnt/gkupnt_builder.h"

namespace chizro {
namespace {

bool IdentifyGkuPnt(const TFileHead& head) {
  if (!head.IsText()) return false;
  const std::string_view first = head.FirstLine();
  return first.find("\x93\x73\x93\xB9\x95\x7B\x8C\xA7") != std::string_view::npos ||
         first.find("都道府県名") != std::string_view::npos;
}

}  // namespace

extern const TDataKind kGkuPntKind = {
    TKind::GkuPnt, "\\def\\GkuPnt.ini", MakeBuilder<TMapBuilder_GkuPnt>,
    "街区レベル位置参照情報 (*.csv *.CSV)", true, false, {}, IdentifyGkuPnt, false, nullptr};

}  // namespace chizro
