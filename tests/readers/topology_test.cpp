// The topology working lists and their joins into figure lists of a leaf,
// against golden dumps of the leaf.
#include "readers/topology.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "model/map_leaf.h"
#include "support/leaf_dump.h"

namespace chizro {
namespace {

using Points = std::vector<TFPoint>;
using Texts = std::vector<std::string>;

TArcElement* AddArc(TArcList& list, std::string name, int kind, const Points& pts,
                    std::string code = "L1") {
  auto arc = std::make_unique<TArcElement>();
  arc->Name = std::move(name);
  arc->Code = std::move(code);
  arc->Kind = kind;
  for (const TFPoint& p : pts) arc->AddPoint(p);
  return list.AddElement(std::move(arc));
}

void AddAtr(TAtrList& list, std::string name, std::string code, const Texts& values) {
  auto atr = std::make_unique<TAtrElement>();
  atr->Name = std::move(name);
  atr->Code = std::move(code);
  for (const std::string& v : values) atr->AddValue(v);
  list.AddElement(std::move(atr));
}

void AddPgn(TPgnList& list, std::string name, std::string code, TFPoint label, const Texts& refs) {
  auto pgn = std::make_unique<TPgnElement>();
  pgn->Name = std::move(name);
  pgn->Code = std::move(code);
  pgn->X = label.x;
  pgn->Y = label.y;
  for (const std::string& r : refs) pgn->AddArcRef(r);
  list.AddElement(std::move(pgn));
}

void AddPnt(TPntList& list, std::string name, std::string code, TFPoint at) {
  auto pnt = std::make_unique<TPntElement>();
  pnt->Name = std::move(name);
  pnt->Code = std::move(code);
  pnt->X = at.x;
  pnt->Y = at.y;
  list.AddElement(std::move(pnt));
}

class TopologyJoin : public ::testing::Test {
protected:
  TMapLeafGrp leaves{nullptr};
  TMapLeaf leaf{&leaves};
  TArcList arcs;
  TAtrList attrs;
  TPgnList pgns;
  TPntList pnts;

  // The leaf's figure lists against tests/data/topology/<test>.dump.
  void ExpectLeaf() {
    test::ExpectGolden(test::DumpLeaf(leaf),
                       std::string("topology/") +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                           ".dump");
  }
};

TEST(ArcKinds, HoldsOnlyKindsFrom0To255) {
  const TArcKinds kinds{0, 4, 255, 256, -1, INT_MIN, INT_MAX};
  for (const int kind : {0, 4, 255}) EXPECT_TRUE(kinds.Contains(kind)) << kind;
  // -256 must not alias 0 nor 511 alias 255 through some truncation.
  for (const int kind : {3, 256, -1, -256, 511, INT_MIN, INT_MAX})
    EXPECT_FALSE(kinds.Contains(kind)) << kind;
}

// Lines in key order; the label stays where a new figure has it.
TEST_F(TopologyJoin, ArcsOfTheKindSetBecomeLinesInKeyOrder) {
  AddArc(arcs, "b", 0, {{1, 1}, {3, 5}}, "RD");
  AddArc(arcs, "C", 7, {{9, 9}});
  AddArc(arcs, "A", 4, {{2, 8}, {0, 6}}, "RL");
  AddArc(arcs, "d", -1, {{7, 7}});
  arcs.AddToLeaf(leaf, "Lines", TArcKinds{0, 1, 2, 3, 4});
  ExpectLeaf();
}

// Shared end points are kept twice; the unknown arc "404" adds nothing; the
// attribute's code is not used.
TEST_F(TopologyJoin, PolygonWalksForwardAndBackwardArcs) {
  AddArc(arcs, "12", 0, {{0, 0}, {10, 0}, {10, 10}});
  AddArc(arcs, "13", 0, {{0, 0}, {0, 10}, {10, 10}});
  AddArc(arcs, "99", 0, {{50, 50}});  // not referenced
  AddPgn(pgns, "P1", "BLDG", {5, 4}, {"12", "-13", "404"});
  AddAtr(attrs, "P1", "ignored", {"name", "3F"});
  pgns.AddToLeaf(leaf, "Buildings", attrs, arcs);
  ExpectLeaf();
}

TEST_F(TopologyJoin, DashAloneNamesTheArcWithTheEmptyName) {
  AddArc(arcs, "", 0, {{1, 1}, {2, 2}});
  AddArc(arcs, "x", 0, {{8, 8}});
  AddPgn(pgns, "P", "C", {0, 0}, {"-", "x"});
  pgns.AddToLeaf(leaf, "G", attrs, arcs);
  ExpectLeaf();
}

// The forward reference uses the whole text; the backward one is cut.
TEST_F(TopologyJoin, BackwardReferenceUsesAtMost99CharactersOfTheName) {
  const std::string name99(99, 'n');
  AddArc(arcs, name99, 0, {{1, 0}, {2, 0}});
  AddArc(arcs, name99 + "z", 0, {{7, 7}});
  AddPgn(pgns, "P", "C", {0, 0}, {name99 + "z", "-" + name99 + "z"});
  pgns.AddToLeaf(leaf, "G", attrs, arcs);
  ExpectLeaf();
}

// Groups are attached in the order of the joins.
TEST_F(TopologyJoin, ArcOutsideTheKindSetStillFeedsPolygonsAndAttributeLines) {
  AddArc(arcs, "7", 7, {{0, 0}, {4, 3}});
  AddPgn(pgns, "P", "C", {0, 0}, {"7"});
  AddAtr(attrs, "7", "RAIL", {"JR", "Main"});
  arcs.AddToLeaf(leaf, "Own", TArcKinds{0, 1, 2, 3, 4});
  pgns.AddToLeaf(leaf, "Polygons", attrs, arcs);
  attrs.AddToLeaf(leaf, "Rails", arcs);
  ExpectLeaf();
}

// "missing" has no arc and makes no figure; an arc without points still
// gives a figure, with the label where a new figure has it.
TEST_F(TopologyJoin, AttributeLineTakesItsLabelFromTheArcsFirstPoint) {
  AddArc(arcs, "r", 0, {{3, 9}, {5, 1}});
  AddArc(arcs, "empty", 0, {});
  AddAtr(attrs, "R", "ROAD", {});
  AddAtr(attrs, "EMPTY", "ROAD", {"v"});
  AddAtr(attrs, "missing", "ROAD", {"v"});
  attrs.AddToLeaf(leaf, "Roads", arcs);
  ExpectLeaf();
}

TEST_F(TopologyJoin, DuplicateNamesResolveToOneElement) {
  // "a" and "A" are the same key without regard to case.
  AddArc(arcs, "a", 0, {{1, 1}});
  AddArc(arcs, "A", 0, {{2, 2}});
  AddArc(arcs, "a", 0, {{3, 3}});
  AddPgn(pgns, "P", "C", {0, 0}, {"a", "A", "-a"});
  pgns.AddToLeaf(leaf, "G", attrs, arcs);
  // Every reference lands on the same one of the three arcs, all of which
  // stay in the list.
  ExpectLeaf();
  EXPECT_EQ(arcs.Count(), 3);
}

TEST_F(TopologyJoin, LookupsIgnoreLetterCase) {
  AddArc(arcs, "Arc-X", 0, {{1, 2}, {3, 4}});
  AddPgn(pgns, "pgn", "C", {0, 0}, {"-ARC-x"});
  AddAtr(attrs, "PGN", "C", {"v"});
  AddAtr(attrs, "arc-x", "R", {});
  pgns.AddToLeaf(leaf, "P", attrs, arcs);
  attrs.AddToLeaf(leaf, "L", arcs);
  ExpectLeaf();
}

TEST_F(TopologyJoin, PointsGetTheirVertexLabelAndAttributes) {
  AddPnt(pnts, "p2", "SIGN", {30, 40});
  AddPnt(pnts, "P1", "WELL", {10, 20});
  AddAtr(attrs, "p1", "x", {"depth", "12"});
  pnts.AddToLeaf(leaf, "Points", attrs);
  ExpectLeaf();
}

}  // namespace
}  // namespace chizro
