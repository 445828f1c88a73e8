// One text form for the leaf of any reader, the golden-file check built on
// it, the reader of a data kind, and scoped guards for the process-wide
// settings the reader tests change.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/class_def.h"
#include "model/map_builder.h"
#include "model/map_leaf.h"
#include "platform/errors.h"
#include "platform/graphics.h"
#include "readers/data_kinds.h"
#include "test_support.h"

namespace chizro::test {

// tests/data, and the source tree's root (where def/ and samples/ live).
std::string DataPath(std::string_view relative = {});
std::string SourcePath(std::string_view relative = {});

// The corners and boundary points (east, north) of the real 地図XML excerpt
// tests/data/moj/46505-3411-1_excerpt.xml, as Python's ElementTree read
// them (tests/data/sima/46505-3411-1_excerpt.parcels.tsv): the oracle of
// the placement tests.
std::vector<TFPoint> MojExcerptPlaces();

// The leaf as text: its header (file name relative to tests/data, names,
// mode, datum, zone, extent, corners, why it has no figures), then each
// figure list (name, kind) and each figure (class code, name, label point,
// texts, properties, extent, vertices, and the label `classDefs` gives
// it). Numbers are printed with %.12g (a tenth of a micrometre in metres, a
// nanodegree in degrees: finer digits differ between platforms' maths
// libraries); texts are shown in UTF-8, bytes that are not Shift_JIS as \xNN.
std::string DumpLeaf(const TMapLeaf& leaf, const TClassDefGrp* classDefs = nullptr);

// The class definitions as text: symbol size, each symbol key (its file and
// the size of its image), then each class in Items order with every field
// the definition file sets.
std::string DumpClassDefs(const TClassDefGrp& defs);

// Compares `dump` with the golden file tests/data/<golden>. With the
// environment variable CHIZRO_UPDATE_GOLDEN=1 the file is rewritten with
// `dump` instead (review the difference before committing it).
void ExpectGolden(const std::string& dump, const std::string& golden);

// The reader of a data kind: the one place the tests ask the registry.
std::unique_ptr<TMapBuilder> MakeReader(int kind);

// The shipped class definitions of a data kind (def/ of the source tree).
const TClassDefGrp& ShippedClassDefs(int kind);

// Opens a file with the kind's reader and, when the open did not load it,
// loads it with the kind's definitions at 1:2500; null when the reader makes
// no leaf of it. Errors pass through.
std::unique_ptr<TMapLeaf> OpenLoaded(int kind, const std::string& path);

// One fixture file of a reader and its golden dump: each reader's test
// instantiates ReaderGolden over the rows of its table (GoldenRows). The file
// is opened and loaded by OpenLoaded with the program's folder at
// `ProgramDir` (relative to tests/data; the source tree when empty), and its
// DumpLeaf, with the labels of the shipped definitions, must match `Golden`
// (by default the input's path with the extension ".dump").
struct GoldenCase {
  std::string Name;
  int Kind;
  std::string Input;  // relative to tests/data
  std::string ProgramDir;
  std::string Golden;
  // The reader to use instead of the kind's (a reader with other options).
  std::function<std::unique_ptr<TMapBuilder>()> Reader;
};

inline void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.Input; }

class ReaderGolden : public ::testing::TestWithParam<GoldenCase> {};

// The rows of the table tests/data/<table>: name, data kind, input, and
// optionally the program's folder and the golden file.
std::vector<GoldenCase> GoldenRows(const std::string& table);

// A bad file of a reader that opens files from outside: each reader's test
// instantiates ReaderBadFile over the rows of its table (BadFileRows). The
// error must come at open (AtOpen) or at load, begin with the file's path and
// Place ("'<path>' の 12 行目: ", "'<path>' の要素 <id>: ") and carry them as
// its FileName and Place, name every text of Mentions after them, and leave
// KeptFigures figures built on the leaf, which is not Loaded.
struct BadFileCase {
  std::string Name;
  int Kind;
  std::string File;  // relative to tests/data
  bool AtOpen;
  std::size_t KeptFigures;
  TErrorPlace Place;
  std::vector<std::string> Mentions;
  std::function<std::unique_ptr<TMapBuilder>()> Reader;  // as GoldenCase's
};

inline void PrintTo(const BadFileCase& c, std::ostream* os) { *os << c.File; }

class ReaderBadFile : public ::testing::TestWithParam<BadFileCase> {};

// The rows of the table tests/data/<table>: name, data kind, file, "open" or
// "load", the figures kept, the place ("line N", "offset N" or "element ID")
// and the texts the message mentions.
std::vector<BadFileCase> BadFileRows(const std::string& table);

// Where PROJ puts (x, y) of the system `from` in the system `to` (e.g.
// "EPSG:2451"), both in visualisation order: (east, north) for projected
// systems, (longitude, latitude) for geographic ones.
TFPoint ProjTransform(const std::string& from, const std::string& to, double x, double y);

// What `call` throws, in a form for tables: "" when it returns, "list N"
// (EListIndexError), "integer 'TEXT'" (EConvertError), "real 'TEXT'"
// (EFloatConvertError), "zone" (EZoneError), "io" (EInOutError). Other
// errors pass through.
std::string ErrorOf(const std::function<void()>& call);

}  // namespace chizro::test
