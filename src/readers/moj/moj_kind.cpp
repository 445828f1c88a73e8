// The row of 登記所備付地図 (地図XML) in the kind table. An XML document in the
// Ministry of Justice's namespace (moj.go.jp/MINJI/tizuxml) or with the root
// "地図"; a zip of XML files (or of zips of them) that are not FGD downloads,
// as the G空間情報センター hands out a municipality.
#include "readers/common/file_head.h"
#include "readers/common/file_scan.h"
#include "readers/data_kinds.h"
#include "readers/moj/moj_builder.h"

namespace chizro {
namespace {

bool IdentifyMoj(const TFileHead& head) {
  if (head.IsXml())
    return head.XmlText().find("moj.go.jp/MINJI/tizuxml") != std::string_view::npos ||
           head.XmlRoot() == "地図";
  std::vector<std::string> members;
  return head.IsZip() && head.ListMembers(members) && !members.empty();
}

}  // namespace

extern const TDataKind kMojKind = {TKind::Moj,
                                   "\\def\\Moj.ini",
                                   MakeBuilder<TMapBuilder_Moj>,
                                   "登記所備付地図 地図XML (*.xml *.XML *.zip *.ZIP)",
                                   true,
                                   true,
                                   kXmlDownloadFiles,
                                   IdentifyMoj,
                                   false, nullptr};

}  // namespace chizro
