#include "readers/data_kinds.h"

namespace chizro {

// Each format's row is defined in its folder, beside its reader.
extern const TDataKind kSdf2500Kind;
extern const TDataKind kKsjKind;
extern const TDataKind kGkuPntKind;
extern const TDataKind kGpsWptKind;
extern const TDataKind kGpxKind;
extern const TDataKind kSimaKind;
extern const TDataKind kStcXmlKind;
extern const TDataKind kFgdKind;
extern const TDataKind kMojKind;
extern const TDataKind kPlateauKind;
extern const TDataKind kEncKind;
extern const TDataKind kRasterKind;
extern const TDataKind kVectorKind;
extern const TDataKind kShapeKind;
extern const TDataKind kGeoJsonKind;

namespace {

// The registry: the open dialog's order, which is also the order the
// recognition asks the formats (their signatures do not overlap, except XML
// 地域データ's, which takes any XML document and is asked last). The city
// models, Shapefiles and GeoJSON come before the FGD and 地図XML rows: FGD's
// takes a zip without XML (to say what is wrong with it), and both take
// zips of XML files that a city's zip (with its code lists) would look like
// to them.
constexpr const TDataKind* kDataKinds[] = {
    &kSdf2500Kind, &kKsjKind,     &kGkuPntKind, &kGpsWptKind,  &kGpxKind,
    &kSimaKind,    &kStcXmlKind,  &kPlateauKind, &kShapeKind,  &kGeoJsonKind,
    &kFgdKind,     &kMojKind,     &kEncKind,    &kRasterKind,  &kVectorKind,
};

const TDataKind* ExactKind(TKind kind) {
  for (const TDataKind* row : kDataKinds)
    if (row->Kind == kind) return row;
  return nullptr;
}

bool IsVectorNumber(int number) { return number >= KindNumber(TKind::VectorBase); }

class TDefaultBuilders final : public TBuilderRegistry {
public:
  std::string DefFileForKind(int dataKind) const override {
    const TDataKind* row =
        ExactKind(KindOfNumber(IsVectorNumber(dataKind)
                                   ? dataKind % KindNumber(TKind::VectorBase)
                                   : dataKind));
    return row ? row->DefFile : std::string();
  }
  std::unique_ptr<TMapBuilder> CreateBuilder(int dataKind, TBitmapLoader* images) const override {
    const TDataKind* row = FindDataKind(KindOfNumber(dataKind));
    return row ? row->Create(images) : nullptr;
  }
};

}  // namespace

std::span<const TDataKind* const> DataKinds() { return kDataKinds; }

const TDataKind* FindDataKind(TKind kind) {
  return IsVectorNumber(KindNumber(kind)) ? ExactKind(TKind::Vector) : ExactKind(kind);
}

const TBuilderRegistry& DefaultBuilders() {
  static const TDefaultBuilders builders;
  return builders;
}

}  // namespace chizro
