// The row of 国土数値情報 (fixed-column text) in the kind table. Recognised by
// its header record "H  NLA ..." or by the metadata line "KS-META".
#include "readers/common/file_head.h"
#include "readers/data_kinds.h"
#include "readers/ksj/ksj_builder.h"

namespace chizro {
namespace {

bool IdentifyKsj(const TFileHead& head) {
  if (!head.IsText()) return false;
  const std::string_view first = head.FirstLine();
  const std::size_t nla = first.find("NLA");
  return (first.starts_with("H") && nla != std::string_view::npos && nla < 8) ||
         first.starts_with("KS-META");
}

}  // namespace

extern const TDataKind kKsjKind = {TKind::Ksj,        "\\def\\KSJ.ini",
                                   MakeBuilder<TMapBuilder_Ksj>,
                                   "国土数値情報 (*.txt *.TXT *.dat *.DAT)",
                                   true,              false,
                                   {},                IdentifyKsj,
                                   false, nullptr};

}  // namespace chizro
