// The row of GPX in the kind table. Recognised by its root element "gpx".
#include "readers/common/file_head.h"
#include "readers/data_kinds.h"
#include "readers/gpx/gpx_builder.h"

namespace chizro {
namespace {

bool IdentifyGpx(const TFileHead& head) { return head.IsXml() && head.XmlRoot() == "gpx"; }

}  // namespace

extern const TDataKind kGpxKind = {TKind::Gpx, "\\def\\Gpx.ini", MakeBuilder<TMapBuilder_Gpx>,
                                   "GPX (*.gpx *.GPX)", true, false, {}, IdentifyGpx, false, nullptr};

}  // namespace chizro
