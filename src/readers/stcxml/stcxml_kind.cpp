// The row of XML 地域データ in the kind table. Its reader takes any XML
// document, so it is asked only after the formats that recognise their own
// documents (GPX, 基盤地図情報, 地図XML) have passed the file over.
#include "readers/common/file_head.h"
#include "readers/data_kinds.h"
#include "readers/stcxml/stcxml_builder.h"

namespace chizro {
namespace {

bool IdentifyStcXml(const TFileHead& head) { return head.IsXml(); }

}  // namespace

extern const TDataKind kStcXmlKind = {
    TKind::StcXml, "\\def\\StcXml.ini", MakeBuilder<TMapBuilder_STCXML>,
    "XML 地域データ (*.xml *.XML)", true, false, {}, IdentifyStcXml, true, nullptr};

}  // namespace chizro
