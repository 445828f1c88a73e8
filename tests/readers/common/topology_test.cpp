// The topology working lists and their joins into figure lists of a leaf:
// lists read from files in the SDF layer forms, joined, against golden dumps
// of the leaf.
#include "readers/common/topology.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>

#include "model/map_leaf.h"
#include "readers/sdf/sdf2500_builder.h"
#include "support/leaf_dump.h"

namespace chizro {
namespace {

TEST(ArcKinds, HoldsOnlyKindsFrom0To255) {
  const TArcKinds kinds{0, 4, 255, 256, -1, INT_MIN, INT_MAX};
  for (const int kind : {0, 4, 255}) EXPECT_TRUE(kinds.Contains(kind)) << kind;
  // -256 must not alias 0 nor 511 alias 255 through some truncation.
  for (const int kind : {3, 256, -1, -256, 511, INT_MIN, INT_MAX})
    EXPECT_FALSE(kinds.Contains(kind)) << kind;
}

// tests/data/topology/<row>/ holds the lists as the files T.ARC, T.PGN,
// T.PNT and T.ATR (any of them may be missing); `Joins` names the joins
// made, always in the order arcs (as lines of kinds 0 to 4), pgns, pnts,
// atrs (as lines). The leaf must match <row>.dump.
struct JoinCase {
  const char* Name;
  const char* Joins;
};
void PrintTo(const JoinCase& row, std::ostream* os) { *os << row.Name; }

class TopologyJoin : public ::testing::TestWithParam<JoinCase> {};

template <class List>
void ReadIfPresent(const std::string& path, List& list,
                   void (*read)(sdf2500::TRecordLines&, List&)) {
  if (!std::filesystem::exists(path)) return;
  sdf2500::TRecordLines lines(path);
  read(lines, list);
}

TEST_P(TopologyJoin, MatchesItsDump) {
  const std::string name = GetParam().Name;
  const std::string joins = GetParam().Joins;
  const std::string base = test::DataPath("topology/" + name + "/T.");
  TArcList arcs;
  TAtrList attrs;
  TPgnList pgns;
  TPntList pnts;
  ReadIfPresent(base + "ARC", arcs, sdf2500::ReadArcFile);
  ReadIfPresent(base + "ATR", attrs, sdf2500::ReadAtrFile);
  ReadIfPresent(base + "PGN", pgns, sdf2500::ReadPgnFile);
  ReadIfPresent(base + "PNT", pnts, sdf2500::ReadPntFile);
  TMapLeafGrp leaves(nullptr);
  TMapLeaf leaf(&leaves);
  const auto joined = [&](const char* what) { return joins.find(what) != std::string::npos; };
  if (joined("arcs")) arcs.AddToLeaf(leaf, "Arcs", TArcKinds{0, 1, 2, 3, 4});
  if (joined("pgns")) pgns.AddToLeaf(leaf, "Polygons", attrs, arcs);
  if (joined("pnts")) pnts.AddToLeaf(leaf, "Points", attrs);
  if (joined("atrs")) attrs.AddToLeaf(leaf, "Attributes", arcs);
  test::ExpectGolden(test::DumpLeaf(leaf), "topology/" + name + ".dump");
}

INSTANTIATE_TEST_SUITE_P(Lists, TopologyJoin,
                         ::testing::Values(
                             // Lines in key order; the label stays where a new figure has it.
                             JoinCase{"ArcsOfTheKindSetBecomeLinesInKeyOrder", "arcs"},
                             // Shared end points are kept twice; the unknown arc "404" adds
                             // nothing; the attribute's code is not used.
                             JoinCase{"PolygonWalksForwardAndBackwardArcs", "pgns"},
                             JoinCase{"DashAloneNamesTheArcWithTheEmptyName", "pgns"},
                             // The forward reference uses the whole text; the backward one is cut.
                             JoinCase{"BackwardReferenceUsesAtMost99CharactersOfTheName", "pgns"},
                             // Groups are attached in the order of the joins.
                             JoinCase{"ArcOutsideTheKindSetStillFeedsPolygonsAndAttributeLines",
                                      "arcs pgns atrs"},
                             // "missing" has no arc and makes no figure; an arc without points
                             // still gives a figure, with the label where a new figure has it.
                             JoinCase{"AttributeLineTakesItsLabelFromTheArcsFirstPoint", "atrs"},
                             // "a" and "A" are the same key without regard to case: every
                             // reference lands on the same one of the three arcs.
                             JoinCase{"DuplicateNamesResolveToOneElement", "pgns"},
                             JoinCase{"LookupsIgnoreLetterCase", "pgns atrs"},
                             JoinCase{"PointsGetTheirVertexLabelAndAttributes", "pnts"}),
                         test::RowName<JoinCase>);

}  // namespace
}  // namespace chizro
