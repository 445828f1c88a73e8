// The row of GPS tracks in PCX5 text in the kind table. Recognised by the
// first line, which names the software that wrote the file ("H  SOFTWARE").
#include "readers/common/file_head.h"
#include "readers/common/reader_util.h"
#include "readers/data_kinds.h"
#include "readers/gps/gpswpt_builder.h"

namespace chizro {
namespace {

bool IdentifyGpsWpt(const TFileHead& head) {
  if (!head.IsText()) return false;
  const std::string_view first = head.FirstLine();
  return first.starts_with("H") && TrimBlanks(first.substr(1)).starts_with("SOFTWARE");
}

}  // namespace

extern const TDataKind kGpsWptKind = {
    TKind::GpsWpt, "\\def\\GPSWPT.ini", MakeBuilder<TMapBuilder_GPSWPT>,
    "GPS 航跡 (*.txt *.TXT *.trk *.TRK)", true, false, {}, IdentifyGpsWpt, false, nullptr};

}  // namespace chizro
