// The main window's actions without a toolkit: a host that answers the open
// dialog from a queue, records messages, cursor and progress, and repaints
// onto a recording canvas as a window would.
#include "ui/main_logic.h"

#include <gtest/gtest.h>
#include <proj.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "support/recording_canvas.h"
#include "ui/pref_logic.h"
#include "test_support.h"

namespace chizro {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = CHIZRO_SOURCE_DIR;

class TFakeHost final : public TMainHost {
public:
  std::optional<TOpenChoice> ChooseFile() override {
    if (choices.empty()) return std::nullopt;
    TOpenChoice c = choices.front();
    choices.pop_front();
    return c;
  }
  void ShowError(const std::string& m) override { errors.push_back(m); }
  void ShowNotice(const std::string& m) override { notices.push_back(m); }
  bool ShowSettings() override {
    ++settingsShown;
    return onSettings ? onSettings() : false;
  }
  void Close() override { closed = true; }
  void RepaintImage() override {
    ++repaints;
    if (logic) logic->Paint(canvas);
  }
  double PixelsPerInch() override { return 96; }
  void SetBusy(bool busy) override { log += busy ? "busy " : "idle "; }
  std::unique_ptr<TProgress> StartProgress(int count) override {
    log += "progress/" + std::to_string(count) + " ";
    struct TLogged final : TProgress {
      explicit TLogged(std::string& l) : log(l) {}
      ~TLogged() override { log += "closed "; }
      void Step(int done) override { log += std::to_string(done) + " "; }
      std::string& log;
    };
    return std::make_unique<TLogged>(log);
  }

  TMainLogic* logic = nullptr;
  test::TRecordingCanvas canvas;
  std::deque<TOpenChoice> choices;
  std::vector<std::string> errors;
  std::vector<std::string> notices;
  std::string log;  // cursor and progress, in order
  int settingsShown = 0;
  std::function<bool()> onSettings;  // what the user does in the dialog
  int repaints = 0;
  bool closed = false;
};

// A program directory of its own with the definition files, the settings
// file and a request file.
class MainLogicTest : public ::testing::Test {
protected:
  void SetUp() override {
    fs::copy(kSource / "def", home.Path() / "def", fs::copy_options::recursive);
    fs::copy_file(kSource / "samples" / "JWC_TEMP.TXT", home.Path() / "JWC_TEMP.TXT");
    host.logic = &logic;
  }
  void Open(const fs::path& file, int kind = kKindSdf2500) {
    host.choices.push_back({file.string(), file.string(), kind});
    logic.OpenMap();
  }
  static fs::path Sheet(const char* name) {
    return kSource / "samples" / "sdf" / name / (std::string(name) + ".txt");
  }
  int Leaves() { return logic.Project().Themes->Items(0)->Leaves->Count(); }
  bool ResultExists() const { return fs::exists(home.Path() / "temp.txt"); }

  test::TempDir home;
  test::ScopedProgramDir programDir{home.Path().string()};
  TFakeHost host;
  TMainLogic logic{host};
};

TEST_F(MainLogicTest, MapActionsWaitForTheFirstOpen) {
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
  const double movedX = view.CenterX;

  logic.ZoomIn();
  Open(Sheet("09LD184"));
  EXPECT_EQ(logic.Project().GetScale(), 2500.0);
  EXPECT_EQ(view.CenterX, movedX) << "a second open keeps the view";
  EXPECT_EQ(Leaves(), 2);
}

// PROJ's plane coordinates of a JGD2000 point of zone `from` in zone `to`.
TFPoint ProjZoneToZone(int from, int to, const TFPoint& p) {
  const std::string a = "EPSG:" + std::to_string(2442 + from);
  const std::string b = "EPSG:" + std::to_string(2442 + to);
  PJ* op = proj_create_crs_to_crs(PJ_DEFAULT_CTX, a.c_str(), b.c_str(), nullptr);
  EXPECT_NE(op, nullptr);
  if (!op) return {};
  PJ* normalized = proj_normalize_for_visualization(PJ_DEFAULT_CTX, op);
  proj_destroy(op);
  const PJ_COORD c = proj_trans(normalized, PJ_FWD, proj_coord(p.x, p.y, 0, 0));
  proj_destroy(normalized);
  return {c.xy.x, c.xy.y};
}

// The zone chosen in the settings takes effect when the dialog is saved:
// what is open moves into it as PROJ moves it, and "自動" gives the zone
// back to the data. A zone in the settings file holds from the start.
TEST_F(MainLogicTest, TheZoneChosenInTheSettingsConvertsWhatIsOpen) {
  Open(Sheet("09LD183"));
  ASSERT_TRUE(host.errors.empty()) << host.errors[0];
  ASSERT_EQ(logic.Project().Zone, 9);
  const TMapLeaf& leaf = *logic.Project().Themes->Items(0)->Leaves->Items(0);
  ASSERT_GT(leaf.FigGrpCount(), 0);
  const TFPoint inIX = leaf.FigGrps[0]->Items(0)->Points.at(0);
  int chosen = 8;
  host.onSettings = [&] {
    TPrefLogic pref;
    pref.Load();
    pref.SetZone(chosen);
    pref.Save();
    return true;
  };
  logic.Settings();
  ASSERT_TRUE(host.errors.empty()) << host.errors[0];
  EXPECT_EQ(logic.Project().Zone, 8);
  const TFPoint expected = ProjZoneToZone(9, 8, inIX);
  const TFPoint inVIII = leaf.FigGrps[0]->Items(0)->Points.at(0);
  EXPECT_NEAR(inVIII.x, expected.x, 0.001);
  EXPECT_NEAR(inVIII.y, expected.y, 0.001);

  chosen = 0;
  logic.Settings();
  EXPECT_EQ(logic.Project().Zone, 9) << "the sheet's own zone again";
  EXPECT_NEAR(leaf.FigGrps[0]->Items(0)->Points.at(0).x, inIX.x, 0.001);

  host.onSettings = [] { return false; };  // cancelled: nothing changes
  chosen = 8;
  logic.Settings();
  EXPECT_EQ(logic.Project().Zone, 9);

  TFakeHost second;
  TPrefLogic pref;
  pref.Load();
  pref.SetZone(5);
  pref.Save();
  TMainLogic restarted{second};
  EXPECT_EQ(restarted.Project().Zone, 5);
  EXPECT_TRUE(restarted.Project().ZoneFixed);
}

TEST_F(MainLogicTest, AFileThatOpensNoMapIsSaidAloud) {
  test::WriteFile(home.File("notes.txt"), "not a map\r\n");
  Open(home.File("notes.txt"));
  ASSERT_EQ(host.notices.size(), 1u);
  EXPECT_NE(host.notices[0].find(home.File("notes.txt")), std::string::npos);
  Open(Sheet("09LD183"));
  Open(Sheet("09LD183"));  // already open
  EXPECT_EQ(host.notices.size(), 2u);
  EXPECT_EQ(Leaves(), 1);
  EXPECT_TRUE(host.errors.empty());
}

// A 地図XML file in local coordinates opens with a notice, given once.
TEST_F(MainLogicTest, ALocalCoordinateMapIsNoticedOnce) {
  Open(kSource / "tests" / "data" / "moj" / "local.xml", kKindMoj);
  ASSERT_TRUE(host.errors.empty()) << host.errors[0];
  ASSERT_EQ(host.notices.size(), 1u);
  EXPECT_NE(host.notices[0].find("任意座標系"), std::string::npos) << host.notices[0];
  Open(Sheet("09LD183"));
  EXPECT_EQ(host.notices.size(), 1u);
  EXPECT_TRUE(host.errors.empty());
}

TEST_F(MainLogicTest, AMapWithoutAFigureIsRefusedWithTheReadersMessage) {
  const fs::path gps = kSource / "tests" / "data" / "gps" / "waypoints_only.txt";
  Open(gps, kKindGpsWpt);
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_NE(host.errors[0].find("に描ける図形がありません (航跡点がありません)"), std::string::npos)
      << host.errors[0];
  EXPECT_TRUE(host.notices.empty());
  EXPECT_FALSE(logic.Loaded());
  EXPECT_EQ(host.log, "busy idle ") << "the cursor comes back after an error";
}

TEST_F(MainLogicTest, AnErrorInAHandlerIsShownAndTheWindowGoesOn) {
  // A sheet whose description has a scale that is no number.
  Open(kSource / "tests" / "data" / "sdf" / "disc" / "07MD624");
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_NE(host.errors[0].find("2,500"), std::string::npos) << host.errors[0];
  Open(Sheet("09LD184"));
  EXPECT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(Leaves(), 1);
  logic.ZoomIn();
  EXPECT_DOUBLE_EQ(logic.Project().GetScale(), 2500.0 / 1.5);
}

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
}

TEST_F(MainLogicTest, OutputWithoutARequestFileIsAnErrorAndWritesNothing) {
  Open(Sheet("09LD183"));
  fs::remove(home.Path() / "JWC_TEMP.TXT");
  host.log.clear();
  logic.ProgressThreshold = 0;
  logic.Output();
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(host.log, "busy progress/1 closed idle ");
  EXPECT_FALSE(ResultExists());
}

// Both windows build their filters from the caption and its patterns: the
// patterns are what the caption shows in brackets.
TEST(OpenFileTypes, AllFilesFirstThenEveryKindWithItsPatterns) {
  const auto& types = OpenFileTypes();
  ASSERT_GT(types.size(), 1u);
  EXPECT_EQ(types[0].Caption, "すべてのファイル (*)");
  EXPECT_EQ(types[0].DataKind, kKindSdf2500);
  for (const TFileType& t : types) {
    EXPECT_TRUE(t.Caption.ends_with("(" + t.Patterns + ")")) << t.Caption;
    EXPECT_EQ(t.Patterns.find_first_of("()"), std::string::npos) << t.Caption;
  }
  const auto fgd = std::find_if(types.begin(), types.end(),
                                [](const TFileType& t) { return t.DataKind == kKindFgd; });
  ASSERT_NE(fgd, types.end());
  EXPECT_EQ(fgd->Patterns, "*.xml *.XML *.zip *.ZIP");
}

}  // namespace
}  // namespace chizro
