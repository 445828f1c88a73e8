// The main window's actions without a toolkit: a host that answers the open
// dialog from a queue, records messages, cursor and progress, and repaints
// onto a recording canvas as a window would.
#include "ui/main_logic.h"
#include "service/map_service.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "platform/ini_file.h"
#include "platform/sjis.h"
#include "support/leaf_dump.h"
#include "support/fake_main_host.h"
#include "support/recording_canvas.h"
#include "test_support.h"
#include "ui/pref_logic.h"

namespace chizro {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = CHIZRO_SOURCE_DIR;

using test::TFakeHost;

// A program directory of its own with the definition files, the settings
// file and a request file.
class MainLogicTest : public ::testing::Test {
protected:
  void SetUp() override {
    fs::copy(kSource / "def", home.Path() / "def", fs::copy_options::recursive);
    fs::copy_file(kSource / "samples" / "JWC_TEMP.TXT", home.Path() / "JWC_TEMP.TXT");
    host.logic = &logic;
    // Each look at the clock is `clockStep` later than the one before: the
    // reports of a reader that takes that long between them.
    logic.Clock = [this] { return now += clockStep; };
  }
  void Open(const fs::path& file, TKind kind = TKind::ByContent) {
    host.choices.push_back({file.string(), file.string(), kind});
    logic.OpenMap();
  }
  static fs::path Sheet(const char* name) {
    return kSource / "samples" / "sdf" / name / (std::string(name) + ".txt");
  }
  int Leaves() { return logic.Project().Themes->Items(0)->Leaves->Count(); }
  bool ResultExists() const { return fs::exists(home.Path() / "temp.txt"); }

  test::TempDir home;
  TFakeHost host;
  TMainLogic logic{host, nullptr, home.Path().string()};
  std::chrono::steady_clock::time_point now;
  std::chrono::milliseconds clockStep{0};
};

TEST_F(MainLogicTest, MapActionsWaitForTheFirstOpenThatGivesAMap) {
  logic.ZoomIn();
  logic.ZoomOut();
  logic.Output();
  logic.Click(10, 10);
  logic.OpenMap();  // the dialog cancelled
  EXPECT_FALSE(logic.Loaded());
  EXPECT_EQ(logic.Project().GetScale(), 0.0);
  EXPECT_EQ(logic.Project().View->CenterX, 0.0);
  EXPECT_FALSE(ResultExists());
  EXPECT_TRUE(host.canvas.Calls.empty()) << "nothing is painted before a map is open";
  EXPECT_TRUE(host.errors.empty());
  // An error in a handler is shown and the window goes on: a sheet whose
  // description has a scale that is no number, then a good one.
  Open(kSource / "tests" / "data" / "sdf" / "disc" / "07MD624");
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_NE(host.errors[0].find("2,500"), std::string::npos) << host.errors[0];
  EXPECT_FALSE(logic.Loaded());
  EXPECT_EQ(host.log, "busy idle ") << "the cursor comes back after an error";
  Open(Sheet("09LD184"));
  EXPECT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(Leaves(), 1);
  logic.Settings();
  logic.Back();
  EXPECT_EQ(host.settingsShown, 1);
  EXPECT_TRUE(host.closed);
}

TEST_F(MainLogicTest, OpenZoomRecentreAndReopen) {
  Open(Sheet("09LD183"));
  ASSERT_TRUE(logic.Loaded());
  ASSERT_TRUE(host.errors.empty()) << host.errors[0];
  EXPECT_EQ(host.log, "busy idle ");
  EXPECT_EQ(logic.Project().GetScale(), 2500.0);
  ASSERT_EQ(Leaves(), 1);
  EXPECT_TRUE(logic.Project().Themes->Items(0)->Leaves->Items(0)->Loaded) << "painted at open";
  EXPECT_FALSE(host.canvas.Calls.empty());

  logic.ZoomIn();
  EXPECT_DOUBLE_EQ(logic.Project().GetScale(), 2500.0 / 1.5);
  logic.ZoomOut();
  EXPECT_EQ(logic.Project().GetScale(), 2500.0);

  // A click centres the next paint there: the top-left pixel is half the
  // window's width left of the centre.
  const TMapView& view = *logic.Project().View;
  const double cx = view.CenterX;
  logic.Click(0, 0);
  EXPECT_NEAR(view.CenterX, cx - view.WorldWidth / 2, 2 / view.PxPerUnitX);

  // A second sheet opens at 1:2500, centred on it.
  logic.ZoomIn();
  Open(Sheet("09LD184"));
  EXPECT_EQ(logic.Project().GetScale(), 2500.0);
  const TFRect sheet = logic.Project().Themes->Items(0)->Leaves->Items(1)->Extent;
  EXPECT_DOUBLE_EQ(view.CenterX, (sheet.left + sheet.right) / 2);
  EXPECT_DOUBLE_EQ(view.CenterY, (sheet.top + sheet.bottom) / 2);
  EXPECT_EQ(Leaves(), 2);
}

// The zone chosen in the settings takes effect when the dialog is saved:
// what is open moves into it as PROJ moves it, and "自動" gives the zone
// back to the data. A zone in the settings file holds from the start.
TEST_F(MainLogicTest, TheZoneChosenInTheSettingsConvertsWhatIsOpen) {
  Open(Sheet("09LD183"));
  ASSERT_TRUE(host.errors.empty()) << host.errors[0];
  ASSERT_EQ(logic.Project().Zone.Number(), 9);
  const TMapLeaf& leaf = *logic.Project().Themes->Items(0)->Leaves->Items(0);
  ASSERT_GT(leaf.FigGrpCount(), 0);
  const TFPoint inIX = leaf.FigGrps[0]->Items(0)->Points.at(0);
  int chosen = 8;
  host.onSettings = [&] {
    TPrefLogic pref;
    pref.Load(host.settingsFile);
    pref.SetZone(chosen);
    pref.Save();
    return true;
  };
  logic.Settings();
  ASSERT_TRUE(host.errors.empty()) << host.errors[0];
  EXPECT_EQ(logic.Project().Zone.Number(), 8);
  EXPECT_EQ(host.status.System, "VIII系 JGD2000") << "at once, before the mouse moves";
  const TFPoint expected = test::ProjTransform("EPSG:2451", "EPSG:2450", inIX.x, inIX.y);
  const TFPoint inVIII = leaf.FigGrps[0]->Items(0)->Points.at(0);
  EXPECT_NEAR(inVIII.x, expected.x, 0.001);
  EXPECT_NEAR(inVIII.y, expected.y, 0.001);

  chosen = 0;
  logic.Settings();
  EXPECT_EQ(logic.Project().Zone.Number(), 9) << "the sheet's own zone again";
  EXPECT_NEAR(leaf.FigGrps[0]->Items(0)->Points.at(0).x, inIX.x, 0.001);

  host.onSettings = [] { return false; };  // cancelled: nothing changes
  chosen = 8;
  logic.Settings();
  EXPECT_EQ(logic.Project().Zone.Number(), 9);

  TFakeHost second;
  TPrefLogic pref;
  pref.Load(logic.Service().SettingsFile());
  pref.SetZone(5);
  pref.Save();
  TMainLogic restarted{second, nullptr, home.Path().string()};
  EXPECT_EQ(restarted.Project().Zone.Number(), 5);
  EXPECT_TRUE(restarted.Project().ZoneFixed);
}

// A 地図XML file in local coordinates opens with a notice, given once.
TEST_F(MainLogicTest, ALocalCoordinateMapIsNoticedOnce) {
  Open(kSource / "tests" / "data" / "moj" / "local.xml", TKind::Moj);
  ASSERT_TRUE(host.errors.empty()) << host.errors[0];
  ASSERT_EQ(host.notices.size(), 1u);
  EXPECT_NE(host.notices[0].find("任意座標系"), std::string::npos) << host.notices[0];
  Open(Sheet("09LD183"));
  EXPECT_EQ(host.notices.size(), 1u);
  EXPECT_TRUE(host.errors.empty());
}

// Without a request file the output is an error and writes nothing.
TEST_F(MainLogicTest, OutputShowsProgressOnlyBeyondTheThreshold) {
  Open(Sheet("09LD183"));
  Open(Sheet("09LD184"));
  host.log.clear();
  logic.ProgressThreshold = 2;
  logic.Output();
  ASSERT_TRUE(host.errors.empty()) << host.errors[0];
  EXPECT_EQ(host.log, "busy idle ");
  ASSERT_TRUE(ResultExists());

  fs::remove(home.Path() / "temp.txt");
  host.log.clear();
  logic.ProgressThreshold = 1;
  logic.Output();
  EXPECT_EQ(host.log, "busy progress/2 0 1 2 closed idle ");
  EXPECT_TRUE(ResultExists());

  fs::remove(home.Path() / "temp.txt");
  fs::remove(home.Path() / "JWC_TEMP.TXT");
  host.log.clear();
  logic.Output();
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(host.log, "busy progress/2 closed idle ");
  EXPECT_FALSE(ResultExists());
}

// Ground metres per pixel at 1:scale on a 96 ppi screen, by the window's
// screen scale: 254000 / ppi pixels a metre at 1:1.
double MetresPerPixel(double scale) { return scale * 96 / 254000; }

// A KSJ file opened as すべてのファイル is read as KSJ and shown whole: the
// scale is the first of 2500 * 1.5^k at which its extent fits the window.
TEST_F(MainLogicTest, AnOpenFitsTheNewDataInOneAndAHalfSteps) {
  Open(kSource / "tests" / "data" / "ksj" / "N03-85_13_sample.txt");
  ASSERT_TRUE(host.errors.empty()) << host.errors[0];
  ASSERT_EQ(logic.Project().Themes->Count(), 1);
  EXPECT_EQ(logic.Project().Themes->Items(0)->DataKind, KindNumber(TKind::Ksj));
  const TFRect e = logic.Project().Themes->Items(0)->Extent;
  const double wide = e.right - e.left, high = e.top - e.bottom;  // [m], plane
  auto fits = [&](double scale) {
    return wide / MetresPerPixel(scale) <= 688 && high / MetresPerPixel(scale) <= 451;
  };
  const double scale = logic.Project().GetScale();
  const double k = std::log(scale / 2500) / std::log(1.5);
  EXPECT_NEAR(k, std::round(k), 1e-9) << scale;
  EXPECT_GT(k, 0.5) << "the sample spans more than one window at 1:2500";
  EXPECT_TRUE(fits(scale));
  EXPECT_FALSE(fits(scale / 1.5));
  EXPECT_DOUBLE_EQ(logic.Project().View->CenterX, (e.left + e.right) / 2);
  EXPECT_DOUBLE_EQ(logic.Project().View->CenterY, (e.top + e.bottom) / 2);
  EXPECT_EQ(host.status.Scale, "1:" + std::to_string(static_cast<long long>(std::round(scale))));

  // Zoomed in and moved, 全体表示 comes back to the same view.
  logic.Key(TMapKey::ZoomIn);
  logic.Key(TMapKey::Left);
  logic.Key(TMapKey::FitAll);
  EXPECT_DOUBLE_EQ(logic.Project().GetScale(), scale);
  EXPECT_DOUBLE_EQ(logic.Project().View->CenterX, (e.left + e.right) / 2);
}

// An elevation tile whose data (an island) fills one corner, the rest of it
// without data, opens onto the island: the view is centred on the outer
// edge of the cells with values (columns 40-59, rows 0-11 of the 60 x 40
// cells of 0.2" from 33.6 N 130.5 E, placed by PROJ) and draws contours.
TEST_F(MainLogicTest, AnElevationTileOpensOntoItsCellsWithValues) {
  Open(kSource / "tests" / "data" / "dem" / "island.xml");
  ASSERT_TRUE(host.errors.empty()) << host.errors[0];
  const double cell = 0.2 / 3600;
  const std::string zone = "EPSG:" + std::to_string(2442 + logic.Project().Zone.Number());
  const TFPoint sw = test::ProjTransform("EPSG:4612", zone, 130.5 + 40 * cell, 33.6 - 12 * cell);
  const TFPoint ne = test::ProjTransform("EPSG:4612", zone, 130.5 + 60 * cell, 33.6);
  EXPECT_NEAR(logic.Project().View->CenterX, (sw.x + ne.x) / 2, 1.0);
  EXPECT_NEAR(logic.Project().View->CenterY, (sw.y + ne.y) / 2, 1.0);
  EXPECT_NE(host.canvas.Calls.find("polyline"), std::string::npos);
  // 全体表示 comes back to the island.
  logic.Key(TMapKey::Left);
  logic.Key(TMapKey::FitAll);
  EXPECT_NEAR(logic.Project().View->CenterX, (sw.x + ne.x) / 2, 1.0);
}

// When no class of what was opened shows at the fitted scale, the view
// zooms in to the coarsest scale at which one does: here the definitions
// show the main contours to 1:500 and the index contours to 1:800.
TEST_F(MainLogicTest, AnOpenWithNothingShownZoomsInUntilAClassShows) {
  TIniFile defs((home.Path() / "def" / "Fgd.ini").string());
  defs.WriteString(Utf8ToSjis("C_主曲線"), "Visible", "1,0,500");
  defs.WriteString(Utf8ToSjis("C_計曲線"), "Visible", "1,0,800");
  Open(kSource / "tests" / "data" / "dem" / "island.xml");
  ASSERT_TRUE(host.errors.empty()) << host.errors[0];
  EXPECT_EQ(logic.Project().GetScale(), 800.0);
  EXPECT_NE(host.canvas.Calls.find("polyline"), std::string::npos);
  logic.ZoomOut();
  logic.Key(TMapKey::FitAll);
  EXPECT_EQ(logic.Project().GetScale(), 800.0);
}

// Output and an open that fails or adds nothing leave the view where the
// user put it.
TEST_F(MainLogicTest, OutputAndAFailedOpenKeepTheView) {
  Open(Sheet("09LD183"));
  logic.Click(100, 80);
  logic.ZoomOut();
  const TMapView& view = *logic.Project().View;
  const TFPoint centre{view.CenterX, view.CenterY};
  logic.Output();
  ASSERT_TRUE(host.errors.empty()) << host.errors[0];
  EXPECT_EQ(view.CenterX, centre.x);
  EXPECT_EQ(view.CenterY, centre.y);
  EXPECT_EQ(logic.Project().GetScale(), 3750.0);

  Open(kSource / "tests" / "data" / "gps" / "waypoints_only.txt", TKind::GpsWpt);
  EXPECT_EQ(host.errors.size(), 1u);
  // A file that opens no map, and a sheet already open, are said aloud.
  test::WriteFile(home.File("notes.txt"), "not a map\r\n");
  Open(home.File("notes.txt"));
  ASSERT_EQ(host.notices.size(), 1u);
  EXPECT_NE(host.notices[0].find(home.File("notes.txt")), std::string::npos);
  Open(Sheet("09LD183"));
  EXPECT_EQ(host.notices.size(), 2u);
  EXPECT_EQ(Leaves(), 1);
  EXPECT_EQ(view.CenterX, centre.x);
  EXPECT_EQ(view.CenterY, centre.y);
  EXPECT_EQ(logic.Project().GetScale(), 3750.0);
}

// The wheel zooms by 1.5 a notch and the ground under the cursor stays
// under it; a drag carries the map with the cursor; a press and release
// without a drag recentres; the arrows move a quarter of the window.
TEST_F(MainLogicTest, WheelDragAndArrowsMoveTheMapUnderTheCursor) {
  Open(Sheet("09LD183"));
  const TMapView& view = *logic.Project().View;
  // The ground under pixel (x, y) at the current centre and scale, from the
  // screen's own geometry: the centre sits at the middle pixel, y grows
  // downwards on the screen and northwards on the ground.
  auto ground = [&](int x, int y) {
    const double m = MetresPerPixel(logic.Project().GetScale());
    return TFPoint{view.CenterX + (x - 344) * m, view.CenterY - (y - 225.5) * m};
  };
  const TFPoint under = ground(600, 40);
  logic.Wheel(600, 40, 1);
  EXPECT_DOUBLE_EQ(logic.Project().GetScale(), 2500 / 1.5);
  EXPECT_NEAR(ground(600, 40).x, under.x, 1e-6);
  EXPECT_NEAR(ground(600, 40).y, under.y, 1e-6);
  logic.Wheel(600, 40, -2);
  EXPECT_DOUBLE_EQ(logic.Project().GetScale(), 2500 * 1.5);
  EXPECT_NEAR(ground(600, 40).x, under.x, 1e-6);
  EXPECT_NEAR(ground(600, 40).y, under.y, 1e-6);

  const TFPoint grabbed = ground(200, 200);
  host.repaints = 0;
  logic.MouseDown(200, 200);
  logic.MouseMove(230, 180);
  logic.MouseMove(260, 150);
  logic.MouseUp(260, 150);
  EXPECT_EQ(host.repaints, 2) << "a repaint per move of the drag";
  EXPECT_NEAR(ground(260, 150).x, grabbed.x, 1e-6);
  EXPECT_NEAR(ground(260, 150).y, grabbed.y, 1e-6);

  // A press that wanders less than the slop is a click at its release.
  const TFPoint target = ground(100, 300);
  logic.MouseDown(98, 299);
  logic.MouseMove(100, 300);
  logic.MouseUp(100, 300);
  EXPECT_NEAR(view.CenterX, target.x, MetresPerPixel(3750));
  EXPECT_NEAR(view.CenterY, target.y, MetresPerPixel(3750));

  const TFPoint before{view.CenterX, view.CenterY};
  logic.Key(TMapKey::Right);
  logic.Key(TMapKey::Up);
  EXPECT_NEAR(view.CenterX - before.x, 688 / 4 * MetresPerPixel(3750), 1e-6);
  EXPECT_NEAR(view.CenterY - before.y, 451 / 4 * MetresPerPixel(3750), 1e-6);
}

// The status line: scale, zone and datum, and the cursor's plane position
// and latitude/longitude, these against PROJ (JGD2000 / zone IX,
// EPSG:2451, to JGD2000 geographic, EPSG:4612).
TEST_F(MainLogicTest, TheStatusLineSaysWhereTheCursorIs) {
  EXPECT_EQ(logic.Status().System, "IX系 JGD2000");
  Open(Sheet("09LD183"));
  const TMapView& view = *logic.Project().View;
  logic.MouseMove(500, 100);
  const double m = MetresPerPixel(2500);
  const double east = view.CenterX + (500 - 344) * m;
  const double north = view.CenterY - (100 - 225.5) * m;
  EXPECT_EQ(host.status.Scale, "1:2500");
  EXPECT_EQ(host.status.System, "IX系 JGD2000");
  char plane[96];
  std::snprintf(plane, sizeof plane, "X %.2f m  Y %.2f m", north, east);
  EXPECT_EQ(host.status.Plane, plane);

  const TFPoint ll = test::ProjTransform("EPSG:2451", "EPSG:4612", east, north);
  // The numbers after "北緯 " and "東経 " (the C library's scanf is not told
  // about UTF-8 on every platform, so the words are found by hand).
  const std::string& text = host.status.LatLon;
  const std::size_t latAt = text.find("北緯 ");
  const std::size_t lonAt = text.find("東経 ");
  ASSERT_NE(latAt, std::string::npos) << text;
  ASSERT_NE(lonAt, std::string::npos) << text;
  const double lat = std::strtod(text.c_str() + latAt + std::string("北緯 ").size(), nullptr);
  const double lon = std::strtod(text.c_str() + lonAt + std::string("東経 ").size(), nullptr);
  EXPECT_NEAR(lat, ll.y, 2e-6);
  EXPECT_NEAR(lon, ll.x, 2e-6);

  logic.MouseLeave();
  EXPECT_TRUE(host.status.Plane.empty());
  EXPECT_EQ(host.status.Scale, "1:2500");
}

// An open of many files: a zip's members, or a folder's files or sheets.
// Whole, each file is a step named by it; cancelled at step Cancel (in a
// window that has a track open), the steps stop there, the track stays and
// so do the Kept files read whole before the cancel (a folder's files are
// read in batches before their steps), said to be of Of files (0: not said).
struct OpenStepsCase {
  const char* Name;
  const char* Path;                   // below the source tree
  std::vector<const char*> Gathered;  // copied into a folder of their own to open it
  std::string Steps;
  int Leaves;
  int Cancel;
  std::string CancelledSteps;
  int Kept;
  int Of;
};

void PrintTo(const OpenStepsCase& c, std::ostream* os) { *os << c.Name; }

class MainLogicOpenSteps : public MainLogicTest,
                           public ::testing::WithParamInterface<OpenStepsCase> {};

TEST_P(MainLogicOpenSteps, ShowAStepPerFileAndACancelKeepsWhatWasOpen) {
  const OpenStepsCase& c = GetParam();
  fs::path path = kSource / c.Path;
  if (!c.Gathered.empty()) {
    path = home.Path() / "folder";
    fs::create_directories(path);
    for (const char* file : c.Gathered)
      fs::copy_file(kSource / c.Path / file, path / fs::path(file).filename());
  }
  Open(path);
  ASSERT_TRUE(host.errors.empty()) << host.errors[0];
  EXPECT_EQ(host.log, "busy open-progress " + c.Steps + "closed idle ");
  EXPECT_EQ(Leaves(), c.Leaves);

  TFakeHost other;
  TMainLogic window{other, nullptr, home.Path().string()};
  other.logic = &window;
  window.Clock = logic.Clock;
  other.choices.push_back(
      {(kSource / "tests/data/gpx/gpx11_tracks.gpx").string(), "track", TKind::ByContent});
  window.OpenMap();
  other.notices.clear();  // the track spans Tokyo and Sydney: it is said so
  const TMapView& view = *window.Project().View;
  const TFPoint centre{view.CenterX, view.CenterY};
  other.log.clear();
  other.cancelAfter = c.Cancel;
  other.choices.push_back({path.string(), path.string(), TKind::ByContent});
  window.OpenMap();
  EXPECT_EQ(other.log, "busy open-progress " + c.CancelledSteps + "closed idle ");
  EXPECT_TRUE(other.errors.empty()) << other.errors[0];
  if (c.Kept > 0) {
    // Said last, after where the kept files are (another zone than the
    // track's).
    ASSERT_FALSE(other.notices.empty());
    EXPECT_EQ(other.notices.back(),
              "開くのを中止しました。" +
                  (c.Of > 0 ? std::to_string(c.Of) + " ファイルのうち、" : std::string()) +
                  "それまでに読んだ " + std::to_string(c.Kept) + " ファイルは開いたままです。");
  } else {
    EXPECT_TRUE(other.notices.empty()) << other.notices[0];
  }
  ASSERT_EQ(window.Project().Themes->Count(), 2);
  EXPECT_EQ(window.Project().Themes->Items(0)->Leaves->Count(), 1) << "the track";
  EXPECT_EQ(window.Project().Themes->Items(1)->Leaves->Count(), c.Kept);
  if (c.Kept == 0) {
    EXPECT_EQ(view.CenterX, centre.x);
    EXPECT_EQ(view.CenterY, centre.y);
  }
}

const OpenStepsCase kOpenSteps[] = {
    // Two 地図XML files, each in a zip of its own, as the registry hands
    // them out: named as the zip lists them. A cancel drops the zip.
    {"MapXmlZip",
     "tests/data/moj/12103-0000.zip",
     {},
     "[12103-0000-1.xml (1/2)] 0/2 [12103-0000-2.xml (2/2)] 1/2 ",
     2,
     1,
     "[12103-0000-1.xml (1/2)] 0/2 ",
     0,
     2},
    // A folder of sheet folders: a step per sheet.
    {"SdfFolder",
     "samples/sdf",
     {},
     "[09LD183 (1/2)] 0/2 [09LD184 (2/2)] 1/2 ",
     2,
     2,
     "[09LD183 (1/2)] 0/2 [09LD184 (2/2)] 1/2 ",
     1,
     0},
    // A folder of FGD files, its kind found from its content.
    {"FgdFolder",
     "tests/data/fgd",
     {"FG-GML-533946-RdEdg-20230101-0001.xml", "FG-GML-533946-BldA-20230101-0001.xml",
      "FG-GML-533946-ElevPt-20230101-0001.xml"},
     "[FG-GML-533946-BldA-20230101-0001.xml (1/3)] 0/3 "
     "[FG-GML-533946-ElevPt-20230101-0001.xml (2/3)] 1/3 "
     "[FG-GML-533946-RdEdg-20230101-0001.xml (3/3)] 2/3 ",
     3,
     3,
     "[FG-GML-533946-BldA-20230101-0001.xml (1/3)] 0/3 "
     "[FG-GML-533946-ElevPt-20230101-0001.xml (2/3)] 1/3 "
     "[FG-GML-533946-RdEdg-20230101-0001.xml (3/3)] 2/3 ",
     3,
     3},
    // An FGD download zip: the members read before the cancel stay, the
    // one whose step the cancel came at is not read.
    {"FgdZip",
     "tests/data/fgd/zip/FG-GML-533946-ALL-20230101.zip",
     {},
     "[FG-GML-533946-ALL-20230101/FG-GML-533946-BldA-20230101-0001.xml (1/6)] 0/6 "
     "[FG-GML-533946-ALL-20230101/FG-GML-533946-CommBdry-20230101-0001.xml (2/6)] 1/6 "
     "[FG-GML-533946-ALL-20230101/FG-GML-533946-ElevPt-20230101-0001.xml (3/6)] 2/6 "
     "[FG-GML-533946-ALL-20230101/FG-GML-533946-RdEdg-20230101-0001.xml (4/6)] 3/6 "
     "[FG-GML-533946-ALL-20230101/FG-GML-533946-SBBdry-20230101-x9.xml (5/6)] 4/6 "
     "[readme.xml (6/6)] 5/6 ",
     5,
     3,
     "[FG-GML-533946-ALL-20230101/FG-GML-533946-BldA-20230101-0001.xml (1/6)] 0/6 "
     "[FG-GML-533946-ALL-20230101/FG-GML-533946-CommBdry-20230101-0001.xml (2/6)] 1/6 "
     "[FG-GML-533946-ALL-20230101/FG-GML-533946-ElevPt-20230101-0001.xml (3/6)] 2/6 ",
     2,
     6},
};

INSTANTIATE_TEST_SUITE_P(Opens, MainLogicOpenSteps, ::testing::ValuesIn(kOpenSteps),
                         [](const auto& row) { return std::string(row.param.Name); });

// A large single file reports each MB read.
TEST_F(MainLogicTest, ALargeFileShowsProgressByTheMegabyte) {
  // A GPX file of just over 9 MB: one track point, then a comment.
  std::string gpx =
      "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"t\" "
      "xmlns=\"http://www.topografix.com/GPX/1/1\"><trk><trkseg>"
      "<trkpt lat=\"35.0\" lon=\"139.0\"/><trkpt lat=\"35.001\" lon=\"139.001\"/>"
      "</trkseg></trk><!--";
  gpx.append(9 * 1024 * 1024, 'x');
  gpx += "--></gpx>\n";
  test::WriteFile(home.File("large.gpx"), gpx);
  Open(home.File("large.gpx"));
  ASSERT_TRUE(host.errors.empty()) << host.errors[0];
  // 0 to 9 MB of 10, each once, then the window closes.
  std::string expected = "busy open-progress ";
  for (int mb = 0; mb <= 9; ++mb)
    expected += "[" + home.File("large.gpx") + " (" + std::to_string(mb) + " / 10 MB)] " +
                std::to_string(mb) + "/10 ";
  EXPECT_EQ(host.log, expected + "closed idle ");

  // Cancelled at 2 MB, the file is not opened and nothing is said.
  fs::rename(home.File("large.gpx"), home.File("large2.gpx"));
  host.log.clear();
  host.openSteps = 0;
  host.cancelAfter = 3;
  Open(home.File("large2.gpx"));
  EXPECT_TRUE(host.errors.empty()) << host.errors[0];
  EXPECT_TRUE(host.notices.empty()) << host.notices[0];
  EXPECT_EQ(host.log.find("(3 / 10 MB)"), std::string::npos) << host.log;
  EXPECT_TRUE(host.log.ends_with("(2 / 10 MB)] 2/10 closed idle ")) << host.log;
  EXPECT_EQ(logic.Project().Themes->Items(0)->Leaves->Count(), 1);
}

// The progress window of a file below the large size comes when the open
// has taken half a second, by the clock: a reader whose reports come 0.1 s
// apart shows it at its fifth report (the MB from the first, 0), a quick
// one never shows it.
TEST_F(MainLogicTest, TheProgressWindowComesAfterHalfASecond) {
  std::string gpx =
      "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"t\" "
      "xmlns=\"http://www.topografix.com/GPX/1/1\"><trk><trkseg>"
      "<trkpt lat=\"35.0\" lon=\"139.0\"/><trkpt lat=\"35.001\" lon=\"139.001\"/>"
      "</trkseg></trk><!--";
  gpx.append(3 * 1024 * 1024, 'x');
  gpx += "--></gpx>\n";
  test::WriteFile(home.File("slow.gpx"), gpx);
  test::WriteFile(home.File("quick.gpx"), gpx);

  clockStep = std::chrono::milliseconds(100);
  Open(home.File("slow.gpx"));
  ASSERT_TRUE(host.errors.empty()) << host.errors[0];
  EXPECT_EQ(host.openSteps, 4) << host.log;  // 0 to 3 MB of 4
  EXPECT_TRUE(host.log.starts_with("busy open-progress [" + home.File("slow.gpx") + " (0 / 4 MB)]"))
      << host.log;

  // The same reader at full speed: no window.
  clockStep = std::chrono::milliseconds(0);
  host.log.clear();
  host.openSteps = 0;
  Open(home.File("quick.gpx"));
  ASSERT_TRUE(host.errors.empty()) << host.errors[0];
  EXPECT_EQ(host.log, "busy idle ");
  EXPECT_EQ(host.openSteps, 0);
}

// An open refused by an error, here a 地図XML file cut off in the middle
// that fails as it loads, keeps the view's centre and scale and the map
// drawn; what the file held before the cut stays open.
TEST_F(MainLogicTest, ARefusedOpenKeepsTheViewAndWhatIsDrawn) {
  Open(Sheet("09LD183"));
  logic.Click(100, 80);
  logic.ZoomOut();
  const TMapView& view = *logic.Project().View;
  const TFPoint centre{view.CenterX, view.CenterY};
  const double scale = logic.Project().GetScale();
  host.canvas.Calls.clear();
  host.RepaintImage();
  const std::string drawn = host.canvas.Calls;
  ASSERT_FALSE(drawn.empty());

  Open(kSource / "tests/data/moj/bad/truncated.xml", TKind::Moj);
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_NE(host.errors[0].find("113 行目"), std::string::npos) << host.errors[0];
  EXPECT_EQ(host.errors[0].find("unexpected"), std::string::npos) << host.errors[0];
  EXPECT_EQ(view.CenterX, centre.x);
  EXPECT_EQ(view.CenterY, centre.y);
  EXPECT_EQ(logic.Project().GetScale(), scale);
  ASSERT_EQ(logic.Project().Themes->Count(), 2);
  EXPECT_EQ(logic.Project().Themes->Items(1)->Leaves->Count(), 1) << "what was read stays";
  // The next paint draws the sheet as before (the cut file lies elsewhere)
  // and does not say the error again.
  host.canvas.Calls.clear();
  host.RepaintImage();
  EXPECT_EQ(host.canvas.Calls, drawn);
  EXPECT_EQ(host.errors.size(), 1u);
}

// A file chosen under another kind's filter is said to be what it is, and
// opened as that kind when the user agrees; a path that names nothing is
// "not found".
TEST_F(MainLogicTest, AFileOfAnotherKindIsOfferedAsThatKind) {
  const fs::path fgd = kSource / "tests/data/fgd/FG-GML-533946-BldA-20230101-0001.xml";
  Open(fgd, TKind::Gpx);
  EXPECT_TRUE(host.errors.empty()) << host.errors[0];
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_NE(host.questions[0].find("基盤地図情報"), std::string::npos) << host.questions[0];
  EXPECT_NE(host.questions[0].find("GPX"), std::string::npos) << host.questions[0];
  EXPECT_FALSE(logic.Loaded()) << "declined";
  host.answer = true;
  Open(fgd, TKind::Gpx);
  ASSERT_TRUE(host.errors.empty()) << host.errors[0];
  ASSERT_TRUE(logic.Loaded());
  ASSERT_EQ(host.questions.size(), 2u);
  const TMapThemeGrp& themes = *logic.Project().Themes;
  int fgdLeaves = 0;
  for (int i = 0; i < themes.Count(); ++i)
    fgdLeaves += themes.Items(i)->DataKind == KindNumber(TKind::Fgd)
                     ? themes.Items(i)->Leaves->Count()
                     : 0;
  EXPECT_EQ(fgdLeaves, 1);

  Open(home.File("nothing-here.xml"));
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_NE(host.errors[0].find("ファイルが見つかりません"), std::string::npos) << host.errors[0];
  EXPECT_NE(host.errors[0].find("nothing-here.xml"), std::string::npos) << host.errors[0];
}

// Where things are: a 任意座標 map alone has no zone and no latitude; data
// far outside Japan opens with a notice naming where it is and the zone it
// is drawn in, and no latitude/longitude is shown for it; data of another
// zone than the project's is said to be drawn rotated. The zones are the
// files' own (公共座標2系) or the law's (Fukuoka Prefecture: II).
TEST_F(MainLogicTest, NoticesSayWhereTheDataIs) {
  Open(kSource / "tests/data/moj/local.xml", TKind::Moj);
  ASSERT_TRUE(host.errors.empty()) << host.errors[0];
  logic.MouseMove(300, 200);
  EXPECT_EQ(host.status.System, "任意座標");
  EXPECT_FALSE(host.status.Plane.empty());
  EXPECT_TRUE(host.status.LatLon.empty()) << host.status.LatLon;

  TFakeHost other;
  TMainLogic window{other, nullptr, home.Path().string()};
  other.logic = &window;
  other.choices.push_back({(kSource / "tests/data/ui/munich.gpx").string(), "munich", TKind::Gpx});
  window.OpenMap();
  ASSERT_TRUE(other.errors.empty()) << other.errors[0];
  ASSERT_EQ(other.notices.size(), 1u);
  EXPECT_NE(other.notices[0].find("範囲外 (北緯 48.14°、東経 11.58°)"), std::string::npos)
      << other.notices[0];
  EXPECT_NE(other.notices[0].find("プロジェクトの " + ZoneName(window.Project().Zone.Number())),
            std::string::npos)
      << other.notices[0];
  window.MouseMove(344, 225);
  EXPECT_FALSE(other.status.Plane.empty());
  EXPECT_TRUE(other.status.LatLon.empty()) << other.status.LatLon;

  TFakeHost third;
  TMainLogic sheets{third, nullptr, home.Path().string()};
  third.logic = &sheets;
  std::string xml = test::ReadFile((kSource / "tests/data/moj/parcels_zone9.xml").string());
  const std::string nine = "公共座標9系";
  xml.replace(xml.find(nine), nine.size(), "公共座標2系");
  test::WriteFile(home.File("zone2.xml"), xml);
  for (const std::string& file :
       {Sheet("09LD183").string(), home.File("zone2.xml"),
        (kSource / "tests/data/ui/fukuoka.gpx").string()})
    third.choices.push_back({file, file, TKind::ByContent});
  sheets.OpenMap();
  sheets.OpenMap();
  sheets.OpenMap();
  ASSERT_TRUE(third.errors.empty()) << third.errors[0];
  const std::string expected =
      "この地図は II系 です。プロジェクトは IX系 のため回転して表示します。出力設定で変更できます。";
  EXPECT_EQ(third.notices, (std::vector<std::string>{expected, expected}));
}

// The texts a paint drew ("text [<label>]" of the recording canvas).
std::vector<std::string> DrawnTexts(const std::string& calls) {
  std::vector<std::string> texts;
  for (std::size_t at = calls.find("text ["); at != std::string::npos;
       at = calls.find("text [", at + 1)) {
    const std::size_t end = calls.find(']', at);
    texts.push_back(calls.substr(at + 6, end - at - 6));
  }
  return texts;
}

// Parcel numbers show where their parcel has room for them: at the fitted
// scale the file's parcels (地番 100-1 and 100-2, 30 m and 22 m wide) show
// theirs; 1.5^8 times farther out they are a few pixels wide and do not
// (the frame's name, on a line, still shows). The output still writes them.
TEST_F(MainLogicTest, AParcelTooSmallForItsNumberDoesNotShowIt) {
  Open(kSource / "tests/data/moj/parcels_zone9.xml", TKind::Moj);
  ASSERT_TRUE(host.errors.empty()) << host.errors[0];
  const std::vector<std::string> numbers = {"100-1", "100-2"};
  auto shown = [&] {
    host.canvas.Calls.clear();
    host.RepaintImage();
    std::vector<std::string> found;
    for (const std::string& text : DrawnTexts(host.canvas.Calls))
      if (std::find(numbers.begin(), numbers.end(), text) != numbers.end()) found.push_back(text);
    std::sort(found.begin(), found.end());
    return found;
  };
  EXPECT_EQ(shown(), numbers) << host.canvas.Calls;
  for (int i = 0; i < 8; ++i) logic.ZoomOut();
  EXPECT_TRUE(shown().empty()) << host.canvas.Calls;
  EXPECT_NE(host.canvas.Calls.find("text [ABC-1]"), std::string::npos) << host.canvas.Calls;
  logic.Output();
  ASSERT_TRUE(host.errors.empty()) << host.errors[0];
  const std::string written = test::ReadFile(home.File("temp.txt"));
  for (const std::string& number : numbers)
    EXPECT_NE(written.find(number), std::string::npos) << number;
}

// Both windows build their filters from the caption and its patterns: the
// patterns are what the caption shows in brackets.
TEST(OpenFileTypes, AllFilesFirstThenEveryKindWithItsPatterns) {
  const auto& types = OpenFileTypes();
  ASSERT_GT(types.size(), 1u);
  EXPECT_EQ(types[0].Caption, "すべてのファイル (*)");
  EXPECT_EQ(types[0].DataKind, TKind::ByContent);
  for (const TFileType& t : types) {
    EXPECT_TRUE(t.Caption.ends_with("(" + t.Patterns + ")")) << t.Caption;
    EXPECT_EQ(t.Patterns.find_first_of("()"), std::string::npos) << t.Caption;
  }
  const auto fgd = std::find_if(types.begin(), types.end(),
                                [](const TFileType& t) { return t.DataKind == TKind::Fgd; });
  ASSERT_NE(fgd, types.end());
  EXPECT_EQ(fgd->Patterns, "*.xml *.XML *.zip *.ZIP");
}

}  // namespace
}  // namespace chizro
