// One sheet of sdfgen's city written as SDF files: the part of the city plan
// inside the sheet's frame, clipped to it and to the land, rounded to
// centimetres, and written as the description file and the layer files
// (arcs, polygons, points and their attributes) in Shift_JIS with CR LF.
// Internal to sdfgen_city.
#pragma once

#include <array>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sdfgen/city_plan.h"
#include "sdfgen/sdf_city.h"

namespace chizro::sdfgen {

// One layer file being written: records in `Body`; the header line is made
// when the file is saved, once the counts are known.
struct TLayerFile {
  TLayerFile(std::string folder, std::string name)
      : Folder(std::move(folder)), Name(std::move(name)) {}

  std::string Folder;  // layer folder
  std::string Name;    // file name
  std::string Body;
  long long Records = 0;
  long long Lines = 0;  // coordinate or reference lines
  int NextName = 1;
};

class TSheetWriter {
public:
  TSheetWriter(const TCityOptions& o, const TSheetId& id);

  TStats Write(const std::filesystem::path& outDir);

private:
  // ---- clipping and rounding
  TCmRing Clip(const TRing& ring, TTag frameTag, TTag coastTag) const;

  bool InSheet(TXY p) const;
  bool OnLand(TXY p) const;

  // Clips a segment to the sheet and the land; false when nothing is left.
  bool ClipSegment(TXY& p, TXY& q) const;

  // ---- record writers
  void AppendYX(std::string& out, const TCm& p) const;

  // An arc record; returns the arc's name.
  int AddArc(TLayerFile& f, TTag tag, const std::vector<TCm>& pts);

  int AddPolygon(TLayerFile& f, int code, const TCm& label, const std::vector<std::string>& refs);

  int AddPoint(TLayerFile& f, int code, const TCm& p);

  // An attribute record; values are UTF-8 and written in Shift_JIS.
  void AddAttr(TLayerFile& f, char letter, int code, int name,
               std::initializer_list<std::string> values);

  static void AppendCode(std::string& b, int code);
  // The start of a record: "<letter><code>,<name>,".
  static void AppendHead(std::string& b, char letter, int code, int name);

  static std::vector<TCm> Points(const TCmRing& r, std::size_t from, std::size_t count);

  // The arcs of a ring that no other polygon shares: one arc per run of
  // edges with the same tag (a whole ring of one tag is one closed arc, or
  // two when `split`); every second arc is stored backwards and referred to
  // with "-".
  std::vector<std::string> PrivateRing(TLayerFile& f, const TCmRing& r, bool split);

  // ---- 1. districts and municipalities (GYOUSEI): arcs shared by edge
  struct TEdgeKey {
    TCm a, b;
    friend bool operator<(const TEdgeKey& x, const TEdgeKey& y) {
      return x.a < y.a || (x.a == y.a && x.b < y.b);
    }
  };

  std::string SharedEdge(const TCm& p, const TCm& q, TTag tag);

  void Administrative();

  // ---- 2. town blocks, grounds and buildings
  enum class TGround { None, Park, School, Shrine, Cemetery, Other };

  TGround GroundOf(long long m, int i, long long n, int j) const;

  void Blocks();

  void Ground(TGround g, const std::string& town, double u0, double v0, double u1, double v1,
              const TLine& w, const TLine& s);

  // Two rows of lots along the long sides of a block, a building on most.
  void Lots(double u0, double v0, double u1, double v1, const TLine& w, const TLine& s);

  // A building in [u0,u1] x [v0,v1]: a rectangle, an L or a rectangle with a
  // cut corner. kind >= 0 names it in the attribute file.
  void Building(double u0, double v0, double u1, double v1, int kind, const std::string& title,
                int row = 0, int lot = 0, const TLine& w = {}, const TLine& s = {});

  // ---- 3. roads: every street between two crossings
  void Roads();

  // ---- railway: centre line split at the main streets, railway land
  // between the crossings, stations where main streets cross
  void Railways();

  // ---- 4. rivers and the sea wall
  void Water();

  // ---- 8. control points at street corners
  void ControlPoints();

  // The third-order mesh code of a point.
  static std::string Mesh(double lat, double lon);

  // ---- files
  std::string Header(const TLayerFile& f, std::string_view type) const;

  std::string Description(const std::vector<const TLayerFile*>& files) const;

  TStats Save(const std::filesystem::path& outDir);

  const TCityOptions& o_;
  TSheetId id_;
  std::string name_;
  long long y0cm_ = 0, x0cm_ = 0;
  std::array<THalfPlane, 4> frame_{};
  THalfPlane land_{};
  double umin_, umax_, vmin_, vmax_;
  std::vector<TLine> us_, vs_;
  std::map<TEdgeKey, std::pair<int, TCm>> edges_;  // GYOUSEI arcs by edge: name, first point
  TStats stats_;

  TLayerFile gyousei_{"GYOUSEI", "GYOUSEI.ARC"}, sityoPgn_{"GYOUSEI", "SI_TYO.PGN"},
      sityoAtr_{"GYOUSEI", "SI_TYO.ATR"}, tyomePgn_{"GYOUSEI", "TYOME.PGN"},
      tyomeAtr_{"GYOUSEI", "TYOME.ATR"}, gaikuArc_{"GAIKU", "GAIKU.ARC"},
      gaikuPgn_{"GAIKU", "GAIKU.PGN"}, gaikuAtr_{"GAIKU", "GAIKU.ATR"},
      roadArc_{"ROAD", "ROADNTWK.ARC"}, roadAtr_{"ROAD", "ROAD.ATR"},
      othersArc_{"OTHERS", "OTHERS.ARC"}, tetudouAtr_{"OTHERS", "TETUDOU.ATR"},
      zyoutiPgn_{"OTHERS", "ZYOUTI.PGN"}, zyoutiAtr_{"OTHERS", "ZYOUTI.ATR"},
      ekiPnt_{"OTHERS", "EKI.PNT"}, ekiAtr_{"OTHERS", "EKI.ATR"}, mizuArc_{"MIZU", "MIZU.ARC"},
      mizuPgn_{"MIZU", "MIZU.PGN"}, mizuAtr_{"MIZU", "MIZU.ATR"},
      tatemonoArc_{"TATEMONO", "TATEMONO.ARC"}, tatemonoPgn_{"TATEMONO", "TATEMONO.PGN"},
      tatemonoAtr_{"TATEMONO", "TATEMONO.ATR"}, sankakuPnt_{"KIJUNTEN", "SANKAKU.PNT"},
      sankakuAtr_{"KIJUNTEN", "SANKAKU.ATR"};
};

}  // namespace chizro::sdfgen
