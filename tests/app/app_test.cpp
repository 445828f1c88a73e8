// The window and the settings dialog through their real widgets, on the
// offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include <filesystem>
#include <sstream>
#include <string>

#include "app/main_window.h"
#include "app/pref_dialog.h"
#include "app/translation.h"
#include "cli/convert.h"
#include "model/map_leaf.h"
#include "platform/ini_file.h"
#include "platform/sjis.h"
#include "test_support.h"

namespace chizro {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = CHIZRO_SOURCE_DIR;

// A program directory of its own: the definition files, the settings file
// and a request file, with the window looking there.
class AppTest : public ::testing::Test {
protected:
  void SetUp() override {
    fs::copy(kSource / "def", home.Path() / "def", fs::copy_options::recursive);
    fs::copy_file(kSource / "samples" / "JWC_TEMP.TXT", home.Path() / "JWC_TEMP.TXT");
    form = std::make_unique<TForm1>();
    form->resize(696, 480);
    form->ShowError = [this](const QString& m) { errors << m; };
    form->ShowNotice = [this](const QString& m) { notices << m; };
    form->show();
    QApplication::processEvents();
  }
  void ChooseNext(const fs::path& file, int kind = 11) {
    form->ChooseFile = [file, kind] {
      return TForm1::TChoice{QString::fromStdString(file.string()), kind};
    };
  }
  void Click(int button) { QTest::mouseClick(form->SpeedButton(button), Qt::LeftButton); }
  fs::path Sheet(const char* name) const {
    return kSource / "samples" / "sdf" / name / (std::string(name) + ".txt");
  }
  bool ResultExists() const { return fs::exists(home.Path() / "temp.txt"); }

  test::TempDir home;
  test::ScopedProgramDir programDir{home.Path().string()};
  std::unique_ptr<TForm1> form;
  QStringList errors;
  QStringList notices;
};

TEST_F(AppTest, MapButtonsDoNothingBeforeAnythingIsOpened) {
  Click(3);
  Click(4);
  Click(2);
  QTest::mouseClick(form->Image(), Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_FALSE(form->Loaded());
  EXPECT_EQ(form->Project().GetScale(), 0.0f);
  EXPECT_EQ(form->Project().View->CenterX, 0.0f);
  EXPECT_FALSE(ResultExists());
  EXPECT_TRUE(errors.isEmpty());
}

TEST_F(AppTest, OpenZoomRecentreAndReopen) {
  ChooseNext(Sheet("09LD183"));
  Click(1);
  ASSERT_TRUE(form->Loaded());
  ASSERT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
  EXPECT_EQ(form->Project().GetScale(), 2500.0f);
  ASSERT_EQ(form->Project().Themes->Items(0)->Leaves->Count(), 1);
  EXPECT_TRUE(form->Project().Themes->Items(0)->Leaves->Items(0)->Loaded) << "painted at open";

  Click(3);
  EXPECT_FLOAT_EQ(form->Project().GetScale(), 2500.0f / 1.5f);
  Click(4);
  EXPECT_EQ(form->Project().GetScale(), 2500.0f);

  // A click centres the next paint there.
  const float cx = form->Project().View->CenterX;
  const float pixel = 1.0f / form->Project().View->PxPerUnitX;
  QTest::mouseClick(form->Image(), Qt::LeftButton, {}, QPoint(1, 1));
  EXPECT_NEAR(form->Project().View->CenterX, cx - form->Project().View->WorldWidth / 2, 3 * pixel);
  const float movedX = form->Project().View->CenterX;

  Click(3);
  ChooseNext(Sheet("09LD184"));
  Click(1);
  EXPECT_EQ(form->Project().GetScale(), 2500.0f);
  EXPECT_EQ(form->Project().View->CenterX, movedX) << "a second open keeps the view";
  EXPECT_EQ(form->Project().Themes->Items(0)->Leaves->Count(), 2);
}

TEST_F(AppTest, OpeningSomethingThatIsNoMapSaysSo) {
  test::WriteFile(home.File("notes.txt"), "not a map\r\n");
  ChooseNext(home.File("notes.txt"));
  Click(1);
  EXPECT_EQ(notices.size(), 1);
  EXPECT_TRUE(form->Loaded());
  ChooseNext(Sheet("09LD183"));
  Click(1);
  Click(1);  // the same sheet again: already open
  EXPECT_EQ(notices.size(), 2);
  EXPECT_EQ(form->Project().Themes->Items(0)->Leaves->Count(), 1);
}

TEST_F(AppTest, AMapWithoutAFigureIsRefusedWithTheConvertersMessage) {
  const fs::path gps = kSource / "tests" / "data" / "gps" / "waypoints_only.txt";
  ChooseNext(gps, 91);
  Click(1);
  ASSERT_EQ(errors.size(), 1);
  EXPECT_EQ(errors[0], QString::fromStdString("'" + gps.string() + "'") +
                           QStringLiteral(" に描ける図形がありません (航跡点がありません)"));
  EXPECT_TRUE(notices.isEmpty());
  EXPECT_EQ(form->Project().Themes->Items(0)->Leaves->Count(), 0);
  EXPECT_FALSE(form->Loaded());
}

TEST_F(AppTest, OutputWritesWhatTheConverterWrites) {
  ChooseNext(Sheet("09LD183"));
  Click(1);
  ChooseNext(Sheet("09LD184"));
  Click(1);
  Click(2);
  ASSERT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
  ASSERT_TRUE(ResultExists());
  const std::string fromWindow = test::ReadFile(home.File("temp.txt"));

  test::TempDir other;
  fs::copy(kSource / "def", other.Path() / "def", fs::copy_options::recursive);
  fs::copy_file(kSource / "samples" / "JWC_TEMP.TXT", other.Path() / "JWC_TEMP.TXT");
  const QSize size = form->Image()->size();
  std::ostringstream out, err;
  const int rc = RunConvert({"--home", other.Path().string(), "--size",
                             std::to_string(size.width()) + "x" + std::to_string(size.height()),
                             Sheet("09LD183").string(), Sheet("09LD184").string()},
                            out, err);
  ASSERT_EQ(rc, 0) << err.str();
  EXPECT_EQ(fromWindow, test::ReadFile(other.File("temp.txt")));
  EXPECT_GT(fromWindow.size(), 1000u);
}

TEST_F(AppTest, AnErrorInAHandlerIsShownAndTheWindowGoesOn) {
  // A sheet whose description has a scale that is no number.
  ChooseNext(kSource / "tests" / "data" / "sdf" / "disc" / "07MD624");
  Click(1);
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].contains(QStringLiteral("2,500"))) << errors[0].toStdString();
  ChooseNext(Sheet("09LD184"));
  Click(1);
  EXPECT_EQ(errors.size(), 1);
  EXPECT_EQ(form->Project().Themes->Items(0)->Leaves->Count(), 1);
  Click(3);
  EXPECT_FLOAT_EQ(form->Project().GetScale(), 2500.0f / 1.5f);
}

// Qt's own dialog texts in Japanese, whatever the locale (the tests run
// under the machine's, usually C).
TEST(QtTranslations, StandardDialogsSpeakJapanese) {
  ASSERT_TRUE(InstallQtJapanese(*QCoreApplication::instance()));
  EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Look in:"));
  EXPECT_NE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
}

class PrefTest : public AppTest {
protected:
  void WriteSettings(const std::string& utf8) {
    test::WriteFile(home.File("def/chizro.ini"), Utf8ToSjis(utf8));
  }
  TFormPref& Pref() { return *form->Pref(); }
};

TEST_F(PrefTest, ReadsTheModeAndSavesEveryEntryBack) {
  WriteSettings(
      "[Layers]\r\nOutput=G\r\n[Elements]\r\n"
      "2110=道路,1,2,3,4,extra\r\n1108=\"街区 界\",2,3,1,1\r\n");
  Pref().FillFromFile();
  EXPECT_TRUE(Pref().radGroup->isChecked());
  ASSERT_EQ(Pref().ListBox->count(), 2);
  Pref().BitBtn1Click();
  const TIniFile saved(home.File("def/chizro.ini"));
  EXPECT_EQ(saved.ReadString("Layers", "Output", ""), "G");
  EXPECT_EQ(SjisToUtf8(saved.ReadString("Elements", "2110", "")), "道路,1,2,3,4");
  EXPECT_EQ(SjisToUtf8(saved.ReadString("Elements", "1108", "")), "\"街区 界\",2,3,1,1");
}

TEST_F(PrefTest, NoLayerModeDisablesTheLayerComboButKeepsTheValue) {
  WriteSettings("[Layers]\r\nOutput=L\r\n[Elements]\r\n2110=road,7,2,3,4\r\n");
  Pref().FillFromFile();
  Pref().radNone->click();
  Pref().ListBox->setCurrentRow(0);
  EXPECT_FALSE(Pref().cmbLayer->isEnabled());
  EXPECT_EQ(Pref().cmbLayer->currentText(), QStringLiteral("7"));
  EXPECT_FALSE(Pref().cmbLayer->isHidden());
  Pref().BitBtn1Click();
  const TIniFile saved(home.File("def/chizro.ini"));
  EXPECT_EQ(saved.ReadString("Layers", "Output", ""), "N");
  EXPECT_EQ(saved.ReadString("Elements", "2110", ""), "road,7,2,3,4");
}

// A value typed into a combo box: stored when JW_CAD reads it, otherwise
// refused with the field and the values allowed named, the row kept (the
// ranges themselves are the output settings tests').
struct TypedCase {
  const char* Name;
  int Combo;  // 0 layer, 1 line colour, 2 line type, 3 text kind
  const char* Text;
  const char* Saved;    // the entry saved afterwards
  const char* Refusal;  // what the message names, null when accepted
};

class PrefTypedTest : public PrefTest, public ::testing::WithParamInterface<TypedCase> {};

TEST_P(PrefTypedTest, ValuesJwCadCannotReadAreRefused) {
  const TypedCase& c = GetParam();
  WriteSettings("[Layers]\r\nOutput=L\r\n[Elements]\r\n2110=road,1,2,3,4\r\n");
  Pref().FillFromFile();
  QStringList messages;
  Pref().ShowError = [&](const QString& m) { messages << m; };
  Pref().ListBox->setCurrentRow(0);
  QComboBox* combos[] = {Pref().cmbLayer, Pref().cmbPen, Pref().cmbSyu, Pref().cmbMoji};
  QComboBox* combo = combos[c.Combo];
  combo->setEditText(QString::fromUtf8(c.Text));
  if (c.Refusal) {
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QString::fromUtf8(c.Refusal))) << messages[0].toStdString();
    EXPECT_EQ(combo->currentText().toStdString(), std::string(1, "1234"[c.Combo]));
  } else {
    EXPECT_TRUE(messages.isEmpty());
  }
  Pref().BitBtn1Click();
  EXPECT_EQ(TIniFile(home.File("def/chizro.ini")).ReadString("Elements", "2110", ""), c.Saved);
}

INSTANTIATE_TEST_SUITE_P(
    Typed, PrefTypedTest,
    ::testing::Values(TypedCase{"LayerLowerCaseHex", 0, "c", "road,C,2,3,4", nullptr},
                      TypedCase{"ColourZero", 1, "0", "road,1,2,3,4", "線色 は 1～9"},
                      TypedCase{"TextKindTen", 3, "10", "road,1,2,3,10", nullptr}),
    test::RowName<TypedCase>);

TEST_F(PrefTest, CancelWritesNothing) {
  fs::remove(home.Path() / "def" / "chizro.ini");
  Pref().FillFromFile();
  EXPECT_TRUE(Pref().radNone->isChecked());
  EXPECT_EQ(Pref().ListBox->count(), 0);
  Pref().reject();
  EXPECT_FALSE(fs::exists(home.Path() / "def" / "chizro.ini"));
}

}  // namespace
}  // namespace chizro

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
