// sdfgen: the command line of the synthetic SDF 1:2500 map generator
// (the library sdfgen_city does the work).
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

#include "sdfgen/sdf_city.h"

namespace {

constexpr const char* kHelp = R"(sdfgen - synthetic 1:2500 digital map sheets in SDF text form

Usage:
  sdfgen --out DIR [--sheets NxM] [--density D] [--seed S] [--origin SHEET]
                   [--buildings F] [--control-points F] [--datum jgd2000|tokyo]
  sdfgen --out DIR --sample
  sdfgen --symbols DIR

Writes sheet folders (SHEET/SHEET.txt and the layer folders GYOUSEI, GAIKU,
OTHERS, MIZU, TATEMONO, ROAD, KIJUNTEN with every layer file) below DIR, as
chizro's SDF reader (data kind 11) reads them: Shift_JIS text, CR LF line
ends, plane rectangular coordinates of zone 9 around Tokyo station. The city
is fictional and deterministic: the same options give the same bytes, and a
sheet does not depend on which other sheets are written, so adjacent sheets
join at their frames.

Options:
  --out DIR            folder to write the sheet folders into (created)
  --sheets NxM         N sheets west to east, M north to south (default 10x10;
                       a sheet is 2 km x 1.5 km)
  --origin SHEET       the north-west sheet (default 09KD961: the default city
                       covers x -16..+4 km, y -27..-42 km of zone 9, with a
                       river, railways, a prefecture boundary and the coast)
  --density D          blocks per area, 1 = dense city centre (default 1);
                       street spacing shrinks with sqrt(D), lots too (down to
                       5 m); 0.05 to 10
  --seed S             the city's random seed (default 1)
  --buildings F        share of lots that hold a building (default 1)
  --control-points F   share of street corners with a control point (7301)
                       (default 1)
  --datum D            jgd2000 (default; description item 9 "1") or tokyo
                       (item 9 "0": the sheets state the TOKYO datum)
  --sample             the committed samples: exactly
                         --origin 09LD183 --sheets 2x1 --density 0.3 --seed 1
                         --buildings 0.12 --control-points 0.03
                       two adjacent sheets near Tokyo station (09LD183 and
                       09LD184); samples/sdf is `sdfgen --sample --out samples/sdf`
                       and no other option may be given with it
  --symbols DIR        write the point symbols Eki.bmp and Sankaku.bmp (16x16,
                       24-bit) used by def/Sdf25.ini into DIR, and nothing else

Typical sizes (what this generator writes; "vertices" are coordinate lines):
  --sample                 2 sheets, 50 files, 0.42 MB: 1,899 polygons,
                           3,683 arcs, 16,054 vertices
  one sheet at density 1   2.3 MB: ~1,100 blocks, ~12,400 buildings, ~2,100
                           road arcs, ~1,000 control points, ~90,000 vertices
  one sheet at density 2   3.9 MB: ~2,200 blocks, ~22,400 buildings,
                           ~143,000 vertices
  default city (10x10)     100 sheets, 2,500 files, 192 MB: 1.14 million
                           polygons, 1.38 million arcs, 84,000 points,
                           7.5 million vertices (the south-east sheets are
                           partly or wholly sea and lighter)
)";

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "sdfgen: %s\n(sdfgen --help for the options)\n", message.c_str());
  std::exit(2);
}

double ParseReal(std::string_view s, const char* what) {
  double v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (r.ec != std::errc{} || r.ptr != s.data() + s.size()) Fail(std::string("bad ") + what);
  return v;
}

long long ParseInt(std::string_view s, const char* what) {
  long long v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (r.ec != std::errc{} || r.ptr != s.data() + s.size()) Fail(std::string("bad ") + what);
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace chizro::sdfgen;
  TCityOptions o;
  std::string out, symbols;
  bool sample = false, shaped = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    auto value = [&]() -> std::string_view {
      if (i + 1 >= argc) Fail(std::string("missing value after ") + std::string(a));
      return argv[++i];
    };
    if (a == "--help" || a == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    } else if (a == "--out") {
      out = value();
    } else if (a == "--sample") {
      sample = true;
    } else if (a == "--symbols") {
      symbols = value();
    } else if (a == "--sheets") {
      const std::string_view v = value();
      const std::size_t x = v.find_first_of("xX");
      if (x == std::string_view::npos) Fail("--sheets takes NxM");
      o.SheetsX = static_cast<int>(ParseInt(v.substr(0, x), "--sheets"));
      o.SheetsY = static_cast<int>(ParseInt(v.substr(x + 1), "--sheets"));
      if (o.SheetsX < 1 || o.SheetsY < 1) Fail("--sheets must be at least 1x1");
      shaped = true;
    } else if (a == "--density") {
      o.Density = ParseReal(value(), "--density");
      if (!(o.Density >= 0.05 && o.Density <= 10)) Fail("--density must lie in 0.05..10");
      shaped = true;
    } else if (a == "--seed") {
      o.Seed = static_cast<std::uint64_t>(ParseInt(value(), "--seed"));
      shaped = true;
    } else if (a == "--origin") {
      o.Origin = value();
      TSheetId id;
      if (!ParseSheetName(o.Origin, id)) Fail("bad sheet name " + o.Origin);
      shaped = true;
    } else if (a == "--buildings") {
      o.Buildings = ParseReal(value(), "--buildings");
      shaped = true;
    } else if (a == "--control-points") {
      o.ControlPoints = ParseReal(value(), "--control-points");
      shaped = true;
    } else if (a == "--datum") {
      const std::string_view v = value();
      if (v == "tokyo" || v == "TOKYO") {
        o.Tokyo = true;
      } else if (v != "jgd2000" && v != "JGD2000") {
        Fail("--datum is jgd2000 or tokyo");
      }
      shaped = true;
    } else {
      Fail("unknown option " + std::string(a));
    }
  }
  try {
    if (!symbols.empty()) {
      if (!out.empty() || sample || shaped) Fail("--symbols takes no other option");
      WriteSymbols(symbols);
      std::printf("wrote %s/Eki.bmp and %s/Sankaku.bmp\n", symbols.c_str(), symbols.c_str());
      return 0;
    }
    if (out.empty()) Fail("--out is required");
    if (sample) {
      if (shaped) Fail("--sample takes no other option than --out");
      o = SampleOptions();
    }
    const TStats s = WriteCity(out, o);
    std::printf(
        "wrote %lld sheets to %s: %lld files, %lld bytes; %lld arcs, %lld polygons, %lld points, "
        "%lld attribute records, %lld vertices\n",
        s.Sheets, out.c_str(), s.Files, s.Bytes, s.Arcs, s.Polygons, s.Points, s.Attributes,
        s.Vertices);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "sdfgen: %s\n", e.what());
    return 1;
  }
  return 0;
}
