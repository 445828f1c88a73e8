// The row of the binary vector file in the kind table, under the number the
// open dialog opens it with (1011: the SDF map's classes). The file begins
// with the header record "H" padded with zero bytes.
#include "readers/common/file_head.h"
#include "readers/data_kinds.h"
#include "readers/vector/vector_builder.h"

namespace chizro {
namespace {

bool IdentifyVector(const TFileHead& head) {
  return head.StartsWith(std::string_view("H\0\0\0\0\0\0\0", 8));
}

}  // namespace

extern const TDataKind kVectorKind = {
    TKind::Vector, "\\def\\Sdf25.ini", MakeBuilder<TMapBuilder_Vector>,
    "ベクトルファイル (*.vec *.VEC *.bin *.BIN)", true, false, {}, IdentifyVector, false, nullptr};

}  // namespace chizro
