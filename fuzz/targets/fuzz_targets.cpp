#include "fuzz/targets/fuzz_targets.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "defs/class_def.h"
#include "model/map_leaf.h"
#include "platform/comma_text.h"
#include "platform/errors.h"
#include "platform/ini_file.h"
#include "readers/enc_builder.h"
#include "readers/gkupnt_builder.h"
#include "readers/gpswpt_builder.h"
#include "readers/ksj_builder.h"
#include "readers/raster_builder.h"
#include "readers/sdf2500_builder.h"
#include "readers/stcxml_builder.h"
#include "readers/vector_builder.h"

namespace chizro::fuzz {

const std::string& ScratchDir() {
  static const std::string dir = [] {
    const auto base = std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                          : std::filesystem::temp_directory_path();
    auto path = base / ("chizro-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    return path.string();
  }();
  return dir;
}

std::string WriteScratch(std::string_view name, const std::uint8_t* data, std::size_t size) {
  const std::string path = ScratchDir() + "/" + std::string(name);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return path;
}

int FuzzCommaText(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto fields = SplitCommaText(text);
  // Fields never hold more bytes than the text.
  std::size_t total = 0;
  for (const auto& f : fields) total += f.size();
  if (total > size) __builtin_trap();
  return 0;
}

int FuzzIniFile(const std::uint8_t* data, std::size_t size) {
  const std::string path = WriteScratch("settings.ini", data, size);
  TIniFile ini(path);
  for (const auto& section : ini.ReadSections())
    for (const auto& key : ini.ReadSection(section)) {
      if (ini.ReadString(section, key, "").size() > TIniFile::kMaxValueLength) __builtin_trap();
      ini.ReadInteger(section, key, 0);
    }
  ini.WriteString("Layers", "Output", "L");
  if (TIniFile(path).ReadString("Layers", "Output", "") != "L") __builtin_trap();
  return 0;
}

int FuzzClassDefs(const std::uint8_t* data, std::size_t size) {
  const std::string path = WriteScratch("defs.ini", data, size);
  TClassDefGrp defs;
  try {
    defs.LoadFromFile(path);
  } catch (const EConvertError&) {
  } catch (const EListIndexError&) {
  }
  for (int i = 0; i < defs.Count(); ++i) defs.IsClassVisible(defs.Items(i)->Name, 2500);
  return 0;
}

int FuzzVectorReader(const std::uint8_t* data, std::size_t size) {
  const std::string path = WriteScratch("map.vec", data, size);
  TMapBuilder_Vector reader;
  TMapLeafGrp leaves(nullptr);
  try {
    std::unique_ptr<TMapLeaf> leaf = reader.OpenFile(leaves, path);
    if (leaf) reader.LoadLeaf(*leaf, nullptr, 0);
  } catch (const EInOutError&) {
  }
  return 0;
}

namespace {

// Opens a file with a reader and loads what it opened. The errors a reader
// may raise for bad data are all of the runtime's data error kinds; any
// other exception escapes to the fuzzer as a finding.
void OpenAndLoad(TMapBuilder& reader, const std::string& path) {
  TMapLeafGrp leaves(nullptr);
  try {
    std::unique_ptr<TMapLeaf> leaf = reader.OpenFile(leaves, path);
    if (leaf) reader.LoadLeaf(*leaf, nullptr, 0);
  } catch (const EChizroError&) {
  }
}

std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace

// The input is a sheet folder: the description file, then the layer files in
// the order below, separated by lines "====".
int FuzzSdfSheet(const std::uint8_t* data, std::size_t size) {
  static const char* const kFiles[] = {
      "09LD183.txt",          "GYOUSEI/GYOUSEI.ARC",   "GYOUSEI/SI_TYO.PGN",
      "GYOUSEI/SI_TYO.ATR",   "GYOUSEI/TYOME.PGN",     "GYOUSEI/TYOME.ATR",
      "GAIKU/GAIKU.ARC",      "GAIKU/GAIKU.PGN",       "GAIKU/GAIKU.ATR",
      "OTHERS/OTHERS.ARC",    "OTHERS/ZYOUTI.PGN",     "OTHERS/ZYOUTI.ATR",
      "OTHERS/TETUDOU.ATR",   "OTHERS/EKI.PNT",        "OTHERS/EKI.ATR",
      "MIZU/MIZU.ARC",        "MIZU/MIZU.PGN",         "MIZU/MIZU.ATR",
      "TATEMONO/TATEMONO.ARC", "TATEMONO/TATEMONO.PGN", "TATEMONO/TATEMONO.ATR",
      "ROAD/ROADNTWK.ARC",    "ROAD/ROAD.ATR",         "KIJUNTEN/SANKAKU.PNT",
      "KIJUNTEN/SANKAKU.ATR"};
  const std::filesystem::path sheet = std::filesystem::path(ScratchDir()) / "09LD183";
  std::filesystem::remove_all(sheet);
  std::string_view rest = Bytes(data, size);
  for (const char* name : kFiles) {
    if (rest.empty()) break;
    const std::size_t cut = rest.find("\n====\n");
    const std::string_view part = rest.substr(0, cut);
    const auto path = sheet / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(part.data(), static_cast<std::streamsize>(part.size()));
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 6);
  }
  TMapBuilder_Sdf2500 reader;
  OpenAndLoad(reader, sheet.string());
  return 0;
}

int FuzzKsj(const std::uint8_t* data, std::size_t size) {
  TMapBuilder_Ksj reader;
  OpenAndLoad(reader, WriteScratch("N03-85_13.txt", data, size));
  return 0;
}

int FuzzGkuPnt(const std::uint8_t* data, std::size_t size) {
  TMapBuilder_GkuPnt reader;
  OpenAndLoad(reader, WriteScratch("13101.csv", data, size));
  return 0;
}

int FuzzGpsTrack(const std::uint8_t* data, std::size_t size) {
  TMapBuilder_GPSWPT reader;
  OpenAndLoad(reader, WriteScratch("track.txt", data, size));
  return 0;
}

int FuzzXmlArea(const std::uint8_t* data, std::size_t size) {
  TMapBuilder_STCXML reader;
  OpenAndLoad(reader, WriteScratch("area.xml", data, size));
  return 0;
}

int FuzzEncListing(const std::uint8_t* data, std::size_t size) {
  TMapBuilder_Enc reader;
  OpenAndLoad(reader, WriteScratch("cell.txt", data, size));
  return 0;
}

// The input is the ".HDR" header of a small bitmap.
int FuzzRasterHeader(const std::uint8_t* data, std::size_t size) {
  static const unsigned char kBmp[] = {
      'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0,
      1,   0,   24, 0, 0, 0, 0, 0, 4, 0, 0,  0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      0,   0,   255, 255, 255, 0};
  const std::string image = WriteScratch("map.bmp", kBmp, sizeof kBmp);
  WriteScratch("map.HDR", data, size);
  TMapBuilder_Raster reader;
  OpenAndLoad(reader, image);
  return 0;
}

const TFuzzTargetInfo* FuzzTargets(std::size_t& count) {
  static const TFuzzTargetInfo targets[] = {
      {"comma_text", FuzzCommaText},
      {"ini_file", FuzzIniFile},
      {"class_defs", FuzzClassDefs},
      {"vector_reader", FuzzVectorReader},
      {"sdf_sheet", FuzzSdfSheet},
      {"ksj", FuzzKsj},
      {"gkupnt", FuzzGkuPnt},
      {"gps_track", FuzzGpsTrack},
      {"xml_area", FuzzXmlArea},
      {"enc_listing", FuzzEncListing},
      {"raster_header", FuzzRasterHeader},
  };
  count = std::size(targets);
  return targets;
}

}  // namespace chizro::fuzz
