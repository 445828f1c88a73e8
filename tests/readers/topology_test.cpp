// The topology working lists and their joins into figure lists of a leaf.
#include "readers/topology.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "model/map_leaf.h"

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

std::vector<std::string> FigureNames(const TFigGrp& grp) {
  std::vector<std::string> names;
  for (int i = 0; i < grp.Count(); ++i) names.push_back(grp.Items(i)->Name);
  return names;
}

class TopologyJoin : public ::testing::Test {
protected:
  TMapLeafGrp leaves{nullptr};
  TMapLeaf leaf{&leaves};
  TArcList arcs;
  TAtrList attrs;
  TPgnList pgns;
  TPntList pnts;
};

TEST(ArcKinds, HoldsOnlyKindsFrom0To255) {
  const TArcKinds kinds{0, 4, 255, 256, -1, INT_MIN, INT_MAX};
  for (const int kind : {0, 4, 255}) EXPECT_TRUE(kinds.Contains(kind)) << kind;
  // -256 must not alias 0 nor 511 alias 255 through some truncation.
  for (const int kind : {3, 256, -1, -256, 511, INT_MIN, INT_MAX})
    EXPECT_FALSE(kinds.Contains(kind)) << kind;
}

TEST_F(TopologyJoin, ArcsOfTheKindSetBecomeLinesInKeyOrder) {
  AddArc(arcs, "b", 0, {{1, 1}, {3, 5}}, "RD");
  AddArc(arcs, "C", 7, {{9, 9}});
  AddArc(arcs, "A", 4, {{2, 8}, {0, 6}}, "RL");
  AddArc(arcs, "d", -1, {{7, 7}});

  TFigPolylineGrp* lines = arcs.AddToLeaf(leaf, "Lines", TArcKinds{0, 1, 2, 3, 4});

  ASSERT_EQ(leaf.FigGrpCount(), 1);
  EXPECT_EQ(leaf.FigGrps[0].get(), lines);
  EXPECT_EQ(lines->Name, "Lines");
  ASSERT_EQ(FigureNames(*lines), (Texts{"A", "b"}));
  const TFigPolyline* a = lines->Item(0);
  EXPECT_EQ(a->ClassCode, "RL");
  EXPECT_EQ(a->Points, (Points{{2, 8}, {0, 6}}));
  EXPECT_EQ(a->Extent, (TFRect{0, 8, 2, 6}));
  EXPECT_EQ(a->LabelX, 0);
  EXPECT_EQ(a->LabelY, 0);
  EXPECT_EQ(lines->Item(1)->ClassCode, "RD");
  EXPECT_EQ(lines->Item(1)->Extent, (TFRect{1, 5, 3, 1}));
}

TEST_F(TopologyJoin, PolygonWalksForwardAndBackwardArcs) {
  AddArc(arcs, "12", 0, {{0, 0}, {10, 0}, {10, 10}});
  AddArc(arcs, "13", 0, {{0, 0}, {0, 10}, {10, 10}});
  AddArc(arcs, "99", 0, {{50, 50}});  // not referenced
  AddPgn(pgns, "P1", "BLDG", {5, 4}, {"12", "-13", "404"});
  AddAtr(attrs, "P1", "ignored", {"name", "3F"});

  TFigPolygonGrp* grp = pgns.AddToLeaf(leaf, "Buildings", attrs, arcs);

  EXPECT_EQ(grp->Name, "Buildings");
  ASSERT_EQ(grp->Count(), 1);
  const TFigPolygon* p = grp->Item(0);
  EXPECT_EQ(p->Name, "P1");
  EXPECT_EQ(p->ClassCode, "BLDG");
  EXPECT_EQ(p->LabelX, 5);
  EXPECT_EQ(p->LabelY, 4);
  // Shared end points are kept twice; the unknown arc "404" adds nothing.
  EXPECT_EQ(p->Points, (Points{{0, 0}, {10, 0}, {10, 10}, {10, 10}, {0, 10}, {0, 0}}));
  EXPECT_EQ(p->Extent, (TFRect{0, 10, 10, 0}));
  EXPECT_EQ(p->Texts, (Texts{"name", "3F"}));
}

TEST_F(TopologyJoin, DashAloneNamesTheArcWithTheEmptyName) {
  AddArc(arcs, "", 0, {{1, 1}, {2, 2}});
  AddArc(arcs, "x", 0, {{8, 8}});
  AddPgn(pgns, "P", "C", {0, 0}, {"-", "x"});
  TFigPolygonGrp* grp = pgns.AddToLeaf(leaf, "G", attrs, arcs);
  ASSERT_EQ(grp->Count(), 1);
  EXPECT_EQ(grp->Item(0)->Points, (Points{{2, 2}, {1, 1}, {8, 8}}));
}

TEST_F(TopologyJoin, BackwardReferenceUsesAtMost99CharactersOfTheName) {
  const std::string name99(99, 'n');
  AddArc(arcs, name99, 0, {{1, 0}, {2, 0}});
  AddArc(arcs, name99 + "z", 0, {{7, 7}});
  // The forward reference uses the whole text; the backward one is cut.
  AddPgn(pgns, "P", "C", {0, 0}, {name99 + "z", "-" + name99 + "z"});
  TFigPolygonGrp* grp = pgns.AddToLeaf(leaf, "G", attrs, arcs);
  ASSERT_EQ(grp->Count(), 1);
  EXPECT_EQ(grp->Item(0)->Points, (Points{{7, 7}, {2, 0}, {1, 0}}));
}

TEST_F(TopologyJoin, ArcOutsideTheKindSetStillFeedsPolygonsAndAttributeLines) {
  AddArc(arcs, "7", 7, {{0, 0}, {4, 3}});
  AddPgn(pgns, "P", "C", {0, 0}, {"7"});
  AddAtr(attrs, "7", "RAIL", {"JR", "Main"});

  TFigPolylineGrp* own = arcs.AddToLeaf(leaf, "Own", TArcKinds{0, 1, 2, 3, 4});
  TFigPolygonGrp* polygons = pgns.AddToLeaf(leaf, "Polygons", attrs, arcs);
  TFigPolylineGrp* rails = attrs.AddToLeaf(leaf, "Rails", arcs);

  EXPECT_EQ(own->Count(), 0);
  ASSERT_EQ(polygons->Count(), 1);
  EXPECT_EQ(polygons->Item(0)->Points, (Points{{0, 0}, {4, 3}}));
  ASSERT_EQ(rails->Count(), 1);
  const TFigPolyline* rail = rails->Item(0);
  EXPECT_EQ(rail->Name, "7");
  EXPECT_EQ(rail->ClassCode, "RAIL");
  EXPECT_EQ(rail->Points, (Points{{0, 0}, {4, 3}}));
  EXPECT_EQ(rail->LabelX, 0);
  EXPECT_EQ(rail->LabelY, 0);
  EXPECT_EQ(rail->Texts, (Texts{"JR", "Main"}));
  // Groups are attached in the order of the joins.
  ASSERT_EQ(leaf.FigGrpCount(), 3);
  EXPECT_EQ(leaf.FigGrps[2].get(), rails);
}

TEST_F(TopologyJoin, AttributeLineTakesItsLabelFromTheArcsFirstPoint) {
  AddArc(arcs, "r", 0, {{3, 9}, {5, 1}});
  AddArc(arcs, "empty", 0, {});
  AddAtr(attrs, "R", "ROAD", {});
  AddAtr(attrs, "EMPTY", "ROAD", {"v"});
  AddAtr(attrs, "missing", "ROAD", {"v"});

  TFigPolylineGrp* grp = attrs.AddToLeaf(leaf, "Roads", arcs);

  // "missing" has no arc and makes no figure; an arc without points still
  // gives a figure, with the label where a new figure has it.
  ASSERT_EQ(FigureNames(*grp), (Texts{"EMPTY", "R"}));
  EXPECT_TRUE(grp->Item(0)->Points.empty());
  EXPECT_EQ(grp->Item(0)->LabelX, 0);
  EXPECT_EQ(grp->Item(0)->Texts, (Texts{"v"}));
  EXPECT_EQ(grp->Item(1)->LabelX, 3);
  EXPECT_EQ(grp->Item(1)->LabelY, 9);
  EXPECT_EQ(grp->Item(1)->Extent, (TFRect{3, 9, 5, 1}));
}

TEST_F(TopologyJoin, DuplicateNamesResolveToOneElement) {
  // "a" and "A" are the same key without regard to case.
  AddArc(arcs, "a", 0, {{1, 1}});
  AddArc(arcs, "A", 0, {{2, 2}});
  AddArc(arcs, "a", 0, {{3, 3}});
  AddPgn(pgns, "P", "C", {0, 0}, {"a", "A", "-a"});

  TFigPolygonGrp* grp = pgns.AddToLeaf(leaf, "G", attrs, arcs);

  ASSERT_EQ(grp->Count(), 1);
  const Points& pts = grp->Item(0)->Points;
  ASSERT_EQ(pts.size(), 3u);
  // Every reference lands on the same one of the three arcs.
  EXPECT_EQ(pts[1], pts[0]);
  EXPECT_EQ(pts[2], pts[0]);
  // The duplicates are all kept in the list itself.
  EXPECT_EQ(arcs.Count(), 3);
  EXPECT_NE(arcs.Find("A"), nullptr);
}

TEST_F(TopologyJoin, LookupsIgnoreLetterCase) {
  AddArc(arcs, "Arc-X", 0, {{1, 2}, {3, 4}});
  AddPgn(pgns, "pgn", "C", {0, 0}, {"-ARC-x"});
  AddAtr(attrs, "PGN", "C", {"v"});
  AddAtr(attrs, "arc-x", "R", {});

  TFigPolygonGrp* polygons = pgns.AddToLeaf(leaf, "P", attrs, arcs);
  TFigPolylineGrp* lines = attrs.AddToLeaf(leaf, "L", arcs);

  ASSERT_EQ(polygons->Count(), 1);
  EXPECT_EQ(polygons->Item(0)->Points, (Points{{3, 4}, {1, 2}}));
  EXPECT_EQ(polygons->Item(0)->Texts, (Texts{"v"}));
  ASSERT_EQ(lines->Count(), 1);
  EXPECT_EQ(lines->Item(0)->Name, "arc-x");
}

TEST_F(TopologyJoin, PointsGetTheirVertexLabelAndAttributes) {
  AddPnt(pnts, "p2", "SIGN", {30, 40});
  AddPnt(pnts, "P1", "WELL", {10, 20});
  AddAtr(attrs, "p1", "x", {"depth", "12"});

  TFigPointGrp* grp = pnts.AddToLeaf(leaf, "Points", attrs);

  EXPECT_EQ(grp->Name, "Points");
  ASSERT_EQ(FigureNames(*grp), (Texts{"P1", "p2"}));
  const TFigPoint* well = grp->Item(0);
  EXPECT_EQ(well->ClassCode, "WELL");
  EXPECT_EQ(well->Points, (Points{{10, 20}}));
  EXPECT_EQ(well->LabelX, 10);
  EXPECT_EQ(well->LabelY, 20);
  EXPECT_EQ(well->Extent, (TFRect{10, 20, 10, 20}));
  EXPECT_EQ(well->Texts, (Texts{"depth", "12"}));
  EXPECT_TRUE(grp->Item(1)->Texts.empty());
}

}  // namespace
}  // namespace chizro
