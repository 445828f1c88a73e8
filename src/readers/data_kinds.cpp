#include "readers/data_kinds.h"

#include <type_traits>

#include "readers/enc/enc_builder.h"
#include "readers/fgd/fgd_builder.h"
#include "readers/gkupnt/gkupnt_builder.h"
#include "readers/gps/gpswpt_builder.h"
#include "readers/gpx/gpx_builder.h"
#include "readers/ksj/ksj_builder.h"
#include "readers/moj/moj_builder.h"
#include "readers/raster/raster_builder.h"
#include "readers/sdf/sdf2500_builder.h"
#include "readers/stcxml/stcxml_builder.h"
#include "readers/vector/vector_builder.h"

namespace chizro {

namespace {

template <class T>
std::unique_ptr<TMapBuilder> Make(TBitmapLoader* images) {
  if constexpr (std::is_constructible_v<T, TBitmapLoader*>)
    return std::make_unique<T>(images);
  else
    return std::make_unique<T>();
}

constexpr TDataKind kDataKinds[] = {
    {kKindSdf2500, "\\def\\Sdf25.ini", Make<TMapBuilder_Sdf2500>,
     "数値地図2500 シート記述ファイル (*.txt *.TXT)", true, true},
    {kKindKsj, "\\def\\KSJ.ini", Make<TMapBuilder_Ksj>, "国土数値情報 (*.txt *.TXT *.dat *.DAT)",
     true, false},
    {kKindGkuPnt, "\\def\\GkuPnt.ini", Make<TMapBuilder_GkuPnt>,
     "街区レベル位置参照情報 (*.csv *.CSV)", true, false},
    {kKindGpsWpt, "\\def\\GPSWPT.ini", Make<TMapBuilder_GPSWPT>,
     "GPS 航跡 (*.txt *.TXT *.trk *.TRK)", true, false},
    {kKindGpx, "\\def\\Gpx.ini", Make<TMapBuilder_Gpx>, "GPX (*.gpx *.GPX)", true, false},
    {kKindStcXml, "\\def\\StcXml.ini", Make<TMapBuilder_STCXML>, "XML 地域データ (*.xml *.XML)",
     true, false},
    {kKindFgd, "\\def\\Fgd.ini", Make<TMapBuilder_Fgd>,
     "基盤地図情報 GML (*.xml *.XML *.zip *.ZIP)", true, true},
    {kKindMoj, "\\def\\Moj.ini", Make<TMapBuilder_Moj>,
     "登記所備付地図 地図XML (*.xml *.XML *.zip *.ZIP)", true, true},
    {kKindEnc, "\\def\\Enc.ini", Make<TMapBuilder_Enc>,
     "電子海図レコードリスト (*.txt *.TXT *.lst *.LST)", true, false},
    {kKindRaster, "\\def\\Raster.ini", Make<TMapBuilder_Raster>, "ビットマップ画像 (*.bmp *.BMP)",
     true, false},
    {kKindVectorBase + kKindSdf2500, "\\def\\Sdf25.ini", Make<TMapBuilder_Vector>,
     "ベクトルファイル (*.vec *.VEC *.bin *.BIN)", true, false},
};

const TDataKind* ExactKind(int dataKind) {
  for (const TDataKind& row : kDataKinds)
    if (row.Kind == dataKind) return &row;
  return nullptr;
}

class TDefaultBuilders final : public TBuilderRegistry {
public:
  std::string DefFileForKind(int dataKind) const override {
    const TDataKind* row =
        ExactKind(dataKind >= kKindVectorBase ? dataKind % kKindVectorBase : dataKind);
    return row ? row->DefFile : std::string();
  }
  std::unique_ptr<TMapBuilder> CreateBuilder(int dataKind, TBitmapLoader* images) const override {
    const TDataKind* row = FindDataKind(dataKind);
    return row ? row->Create(images) : nullptr;
  }
};

}  // namespace

std::span<const TDataKind> DataKinds() { return kDataKinds; }

const TDataKind* FindDataKind(int dataKind) {
  return dataKind >= kKindVectorBase ? ExactKind(kKindVectorBase + kKindSdf2500)
                                     : ExactKind(dataKind);
}

const TBuilderRegistry& DefaultBuilders() {
  static const TDefaultBuilders builders;
  return builders;
}

}  // namespace chizro
