// The one place that maps data kinds to definition files and readers.
#include <map>
#include <memory>
#include <string>

#include "readers/enc_builder.h"
#include "readers/fgd_builder.h"
#include "readers/gkupnt_builder.h"
#include "readers/gpswpt_builder.h"
#include "readers/ksj_builder.h"
#include "readers/map_builder.h"
#include "readers/raster_builder.h"
#include "readers/sdf2500_builder.h"
#include "readers/stcxml_builder.h"
#include "readers/vector_builder.h"

namespace chizro {

std::string DefFileForKind(int dataKind) {
  switch (dataKind >= kKindVectorBase ? dataKind % kKindVectorBase : dataKind) {
    case kKindSdf2500:
      return "\\def\\Sdf25.ini";
    case kKindKsj:
      return "\\def\\KSJ.ini";
    case kKindGkuPnt:
      return "\\def\\GkuPnt.ini";
    case kKindStcXml:
      return "\\def\\StcXml.ini";
    case kKindFgd:
      return "\\def\\Fgd.ini";
    case kKindEnc:
      return "\\def\\Enc.ini";
    case kKindRaster:
      return "\\def\\Raster.ini";
    case kKindGpsWpt:
      return "\\def\\GPSWPT.ini";
    default:
      return {};
  }
}

namespace {

std::map<int, TBuilderFactory>& Overrides() {
  static std::map<int, TBuilderFactory> overrides;
  return overrides;
}

}  // namespace

void SetBuilderFactory(int dataKind, TBuilderFactory factory) {
  if (factory)
    Overrides()[dataKind] = std::move(factory);
  else
    Overrides().erase(dataKind);
}

std::unique_ptr<TMapBuilder> CreateBuilder(int dataKind) {
  if (const auto it = Overrides().find(dataKind); it != Overrides().end()) return it->second();
  // Every kind of 1000 and above is the binary vector file, whatever its
  // definition file; the other kinds have readers of their own as they are
  // added.
  if (dataKind == kKindSdf2500) return std::make_unique<TMapBuilder_Sdf2500>();
  if (dataKind == kKindKsj) return std::make_unique<TMapBuilder_Ksj>();
  if (dataKind == kKindGkuPnt) return std::make_unique<TMapBuilder_GkuPnt>();
  if (dataKind == kKindGpsWpt) return std::make_unique<TMapBuilder_GPSWPT>();
  if (dataKind == kKindRaster) return std::make_unique<TMapBuilder_Raster>();
  if (dataKind == kKindStcXml) return std::make_unique<TMapBuilder_STCXML>();
  if (dataKind == kKindFgd) return std::make_unique<TMapBuilder_Fgd>();
  if (dataKind == kKindEnc) return std::make_unique<TMapBuilder_Enc>();
  if (dataKind >= kKindVectorBase) return std::make_unique<TMapBuilder_Vector>();
  return nullptr;
}

}  // namespace chizro
