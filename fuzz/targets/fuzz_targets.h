// Entry points that take outside bytes, shaped for the fuzzers. Each one
// lays the bytes out as the file (or files) its reader expects, runs the
// reader, and swallows the errors the reader is allowed to raise for bad
// input. Anything else (a crash, a sanitizer report, an unexpected exception
// type, a hang) is a bug. The same functions replay the regression corpus in
// the normal test suite.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace chizro::fuzz {

using TFuzzTarget = int (*)(const std::uint8_t* data, std::size_t size);

struct TFuzzTargetInfo {
  std::string_view Name;  // also the folder name of its regression corpus
  TFuzzTarget Run;
};

int FuzzCommaText(const std::uint8_t* data, std::size_t size);
int FuzzIniFile(const std::uint8_t* data, std::size_t size);
int FuzzClassDefs(const std::uint8_t* data, std::size_t size);
int FuzzVectorReader(const std::uint8_t* data, std::size_t size);
int FuzzSdfSheet(const std::uint8_t* data, std::size_t size);
int FuzzKsj(const std::uint8_t* data, std::size_t size);
int FuzzGkuPnt(const std::uint8_t* data, std::size_t size);
int FuzzGpsTrack(const std::uint8_t* data, std::size_t size);
int FuzzXmlArea(const std::uint8_t* data, std::size_t size);
int FuzzFgd(const std::uint8_t* data, std::size_t size);
int FuzzFgdDem(const std::uint8_t* data, std::size_t size);
int FuzzFgdSplit(const std::uint8_t* data, std::size_t size);
int FuzzMoj(const std::uint8_t* data, std::size_t size);
int FuzzEncListing(const std::uint8_t* data, std::size_t size);
int FuzzRasterHeader(const std::uint8_t* data, std::size_t size);
int FuzzIso8211Cell(const std::uint8_t* data, std::size_t size);
int FuzzJwcRequest(const std::uint8_t* data, std::size_t size);
int FuzzConvert(const std::uint8_t* data, std::size_t size);
int FuzzGpx(const std::uint8_t* data, std::size_t size);
int FuzzPlateau(const std::uint8_t* data, std::size_t size);
int FuzzSima(const std::uint8_t* data, std::size_t size);
// A Shapefile: the .shp, .shx, .dbf, .prj and .cpg, separated by lines
// "====".
int FuzzShape(const std::uint8_t* data, std::size_t size);
int FuzzGeoJson(const std::uint8_t* data, std::size_t size);

// Every target, for the replay test.
const TFuzzTargetInfo* FuzzTargets(std::size_t& count);

// A scratch folder private to this process, created on first use.
const std::string& ScratchDir();
// Writes bytes to a file in the scratch folder and returns its path.
std::string WriteScratch(std::string_view name, const std::uint8_t* data, std::size_t size);

}  // namespace chizro::fuzz
