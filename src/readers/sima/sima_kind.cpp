// The row of SIMA in the kind table. Recognised by its first records (G00,
// Z00, A00 or A01 lines), whatever the file's name.
#include "readers/common/file_head.h"
#include "readers/common/sima_records.h"
#include "readers/data_kinds.h"
#include "readers/sima/sima_builder.h"

namespace chizro {
namespace {

bool IdentifySima(const TFileHead& head) {
  return !head.IsXml() && !head.IsZip() && LooksLikeSima(head.Bytes());
}

}  // namespace

extern const TDataKind kSimaKind = {TKind::Sima,
                                    "\\def\\Sima.ini",
                                    MakeBuilder<TMapBuilder_Sima>,
                                    "SIMA 座標・画地 (*.sim *.SIM)",
                                    true,
                                    false,
                                    {},
                                    IdentifySima,
                                    false,
                                    nullptr};

}  // namespace chizro
