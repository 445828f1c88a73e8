// The row of the electronic chart record listings in the kind table. A listing
// (as chizro-enclist writes it) begins with the record heading "RECN".
#include "readers/common/file_head.h"
#include "readers/common/reader_util.h"
#include "readers/data_kinds.h"
#include "readers/enc/enc_builder.h"

namespace chizro {
namespace {

bool IdentifyEnc(const TFileHead& head) {
  return head.IsText() && TrimBlanks(head.FirstLine()).starts_with("RECN");
}

}  // namespace

extern const TDataKind kEncKind = {
    TKind::Enc, "\\def\\Enc.ini", MakeBuilder<TMapBuilder_Enc>,
    "電子海図レコードリスト (*.txt *.TXT *.lst *.LST)", true, false, {}, IdentifyEnc, false, nullptr};

}  // namespace chizro
