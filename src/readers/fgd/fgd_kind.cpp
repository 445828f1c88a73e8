// The row of 基盤地図情報 (FGD GML and the elevation models) in the kind table.
// An XML document declaring the FGD namespace (fgd.gsi.go.jp), or whose root
// is the FGD "Dataset"; a zip of the download service, whose members are
// named "FG-GML-...". A zip that cannot be listed, or holds no XML at all, is
// left to this reader too: it says what is wrong with the download.
#include "readers/common/file_head.h"
#include "readers/common/file_scan.h"
#include "readers/common/reader_util.h"
#include "readers/common/leaf_path.h"
#include "readers/data_kinds.h"
#include "readers/fgd/fgd_builder.h"
#include "platform/sorted.h"

namespace chizro {
namespace {

bool IdentifyFgd(const TFileHead& head) {
  if (head.IsXml())
    return head.XmlText().find("fgd.gsi.go.jp") != std::string_view::npos ||
           head.XmlRoot() == "Dataset";
  if (!head.IsZip()) return false;
  std::vector<std::string> members;
  if (!head.ListMembers(members) || members.empty()) return true;
  for (const std::string& m : members) {
    const std::string base = BaseName(TLeafPath::Parse(m).Innermost());
    if (base.size() >= 6 && SameText(std::string_view(base).substr(0, 6), "FG-GML")) return true;
  }
  return false;
}

}  // namespace

extern const TDataKind kFgdKind = {TKind::Fgd,
                                   "\\def\\Fgd.ini",
                                   MakeBuilder<TMapBuilder_Fgd>,
                                   "基盤地図情報 GML (*.xml *.XML *.zip *.ZIP)",
                                   true,
                                   true,
                                   kXmlDownloadFiles,
                                   IdentifyFgd,
                                   false, nullptr};

}  // namespace chizro
