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

const TFuzzTargetInfo* FuzzTargets(std::size_t& count) {
  static const TFuzzTargetInfo targets[] = {
      {"comma_text", FuzzCommaText},
      {"ini_file", FuzzIniFile},
      {"class_defs", FuzzClassDefs},
      {"vector_reader", FuzzVectorReader},
  };
  count = std::size(targets);
  return targets;
}

}  // namespace chizro::fuzz
