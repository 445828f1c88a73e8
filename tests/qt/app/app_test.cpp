// The window and the settings dialog through their real widgets, on the
// offscreen platform.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QLineEdit>
#include <QScreen>
#include <QStyleOptionViewItem>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include <filesystem>
#include <sstream>
#include <string>

#include "qt/app/main_window.h"
#include "qt/app/placement_dialog.h"
#include "qt/app/pref_dialog.h"
#include "qt/app/translation.h"
#include "cli/convert_command.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "model/map_view.h"
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
    form = std::make_unique<TForm1>(nullptr, home.Path().string());
    form->resize(696, 480);
    form->ErrorBox = [this](const QString& m) { errors << m; };
    form->NoticeBox = [this](const QString& m) { notices << m; };
    form->show();
    QApplication::processEvents();
  }
  void ChooseNext(const fs::path& file, TKind kind = TKind::Sdf2500) {
    form->OpenDialog = [file, kind] {
      return std::optional<TOpenChoice>({file.string(), file.string(), kind});
    };
  }
  void Click(int button) { QTest::mouseClick(form->SpeedButton(button), Qt::LeftButton); }
  fs::path Sheet(const char* name) const {
    return kSource / "samples" / "sdf" / name / (std::string(name) + ".txt");
  }
  bool ResultExists() const { return fs::exists(home.Path() / "temp.txt"); }

  test::TempDir home;
  std::unique_ptr<TForm1> form;
  QStringList errors;
  QStringList notices;
};

// The buttons, the paint box and the message boxes reach the window's
// logic; what each action does is the logic's tests'.
TEST_F(AppTest, ButtonsAndClicksReachTheMap) {
  ChooseNext(Sheet("09LD183"));
  Click(1);
  ASSERT_TRUE(form->Loaded());
  ASSERT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
  Click(4);
  EXPECT_DOUBLE_EQ(form->Project().GetScale(), 2500.0 / 1.5);
  Click(5);
  EXPECT_EQ(form->Project().GetScale(), 2500.0);
  const double cx = form->Project().View->CenterX;
  QTest::mouseClick(form->Image(), Qt::LeftButton, {}, QPoint(1, 1));
  EXPECT_LT(form->Project().View->CenterX, cx);
  EXPECT_EQ(form->StatusPart(0)->text(), QStringLiteral("1:2500"));
  EXPECT_EQ(form->StatusPart(1)->text(), QStringLiteral("IX系 JGD2000"));

  // The keys and the wheel.
  QTest::keyClick(form.get(), Qt::Key_Minus);
  EXPECT_EQ(form->Project().GetScale(), 3750.0);
  const QPointF at(100, 100);
  QWheelEvent wheel(at, form->Image()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(form->Image(), &wheel);
  EXPECT_EQ(form->Project().GetScale(), 2500.0);
  QTest::keyClick(form.get(), Qt::Key_Home);
  EXPECT_GT(form->Project().GetScale(), 2500.0) << "the whole sheet, wider than the window";

  ChooseNext(kSource / "tests" / "data" / "gps" / "waypoints_only.txt", TKind::GpsWpt);
  Click(1);
  EXPECT_EQ(errors.size(), 1);
  test::WriteFile(home.File("notes.txt"), "not a map\r\n");
  ChooseNext(home.File("notes.txt"));
  Click(1);
  EXPECT_EQ(notices.size(), 1);
}

// "SIMA出力" asks for a file and says what it wrote there; a sheet of the
// 1:2500 map has no points to write, which is said as an error.
TEST_F(AppTest, SimaOutputWritesTheChosenFile) {
  const std::string sima = home.File("out.sim");
  QString askedType;
  form->SaveDialog = [&](const QString& fileType, const QString&) {
    askedType = fileType;
    return std::optional<TSaveChoice>({sima, sima});
  };
  ChooseNext(Sheet("09LD183"));
  Click(1);
  Click(3);
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].contains(QStringLiteral("SIMA で書ける点や画地がありません"))) << errors[0].toStdString();
  EXPECT_FALSE(fs::exists(sima));
  ChooseNext(kSource / "tests" / "data" / "sima" / "numbers.sim", TKind::ByContent);
  Click(1);
  notices.clear();
  Click(3);
  EXPECT_EQ(askedType, QStringLiteral("SIMA (*.sim)"));
  ASSERT_TRUE(fs::exists(sima));
  ASSERT_EQ(notices.size(), 1) << errors.join("\n").toStdString();
  EXPECT_TRUE(notices[0].contains(QStringLiteral("点 5、画地 1 を"))) << notices[0].toStdString();
}

// The 位置合わせ dialog through its widgets: a point of the arbitrary map
// clicked and its place clicked on the 公共座標 original, a second one
// typed; OK writes the sidecar and the map opens again placed. Positions
// are the generator's (tests/data/placement/fit_oracle.tsv).
TEST_F(AppTest, PlacementDialogPlacesTheMap) {
  const std::string original = home.File("original.xml");
  const std::string copy = home.File("local.xml");
  fs::copy_file(kSource / "tests" / "data" / "moj" / "46505-3411-1_excerpt.xml", original);
  fs::copy_file(kSource / "tests" / "data" / "placement" / "local_helmert.xml", copy);
  ChooseNext(original, TKind::ByContent);
  Click(1);
  ChooseNext(copy, TKind::ByContent);
  Click(1);
  ASSERT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
  form->Logic().StartPlacement();
  TPlacementDialog* dialog = form->PlacementDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_FALSE(dialog->Ok->isEnabled());
  // Looks at (east, north) at 1:500 and clicks two pixels off it.
  const auto clickAt = [this](double east, double north) {
    TMapView& view = *form->Project().View;
    view.CenterX = east;
    view.CenterY = north;
    form->Project().SetScale(500);
    form->Image()->repaint();
    const TPoint p = view.WcToDc(east, north);
    QTest::mouseClick(form->Image(), Qt::LeftButton, {}, QPoint(p.x + 2, p.y + 2));
  };
  // 62623 and 62624: x, y in the copy; X, Y in the original.
  clickAt(1830.715475734, 1119.775184019);
  ASSERT_EQ(dialog->Points->rowCount(), 1);
  EXPECT_EQ(dialog->Points->item(0, 0)->text(), QStringLiteral("62623"));
  EXPECT_TRUE(dialog->Hint->text().contains(QStringLiteral("62623")));
  clickAt(-34217.986, -297229.388);
  EXPECT_EQ(dialog->Points->item(0, 3)->text(), QStringLiteral("-297229.388"));
  clickAt(1863.383239980, 1030.278531210);
  QTest::keyClicks(dialog->EditX, QStringLiteral("-297324.689"));
  QTest::keyClicks(dialog->EditY, QStringLiteral("-34217.987"));
  QTest::mouseClick(dialog->Enter, Qt::LeftButton);
  ASSERT_EQ(dialog->Points->rowCount(), 2);
  EXPECT_EQ(dialog->Points->item(1, 4)->text(), QStringLiteral("-34217.987"));
  EXPECT_TRUE(dialog->Summary->text().startsWith(QStringLiteral("ヘルマート変換 2点")))
      << dialog->Summary->text().toStdString();
  EXPECT_TRUE(dialog->Ok->isEnabled());
  QTest::mouseClick(dialog->Ok, Qt::LeftButton);
  EXPECT_FALSE(dialog->isVisible());
  ASSERT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
  EXPECT_TRUE(fs::exists(copy + ".gcp"));
  ASSERT_FALSE(notices.isEmpty());
  EXPECT_TRUE(notices.back().contains(QStringLiteral("位置合わせ: ヘルマート変換 2点")))
      << notices.back().toStdString();
  EXPECT_EQ(form->StatusPart(1)->text(), QStringLiteral("II系 JGD2000"));

  // Over the placed map the dialog opens again with the sidecar's two
  // points; キャンセル leaves the sidecar as it was.
  const std::string saved = test::ReadFile(copy + ".gcp");
  form->Logic().StartPlacement();
  dialog = form->PlacementDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  ASSERT_EQ(dialog->Points->rowCount(), 2);
  EXPECT_EQ(dialog->Points->item(0, 0)->text(), QStringLiteral("62623"));
  QTest::mouseClick(dialog->Cancel, Qt::LeftButton);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(test::ReadFile(copy + ".gcp"), saved);
  ASSERT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

// The window paints at the paint box's size, so the output equals the
// converter's at that size.
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

// The radio buttons, the list, the combo boxes and OK reach the dialog's
// logic; the checks of the values are the logic's tests.
TEST_F(PrefTest, ControlsReachTheRows) {
  WriteSettings("[Layers]\r\nOutput=G\r\n[Elements]\r\n2110=road,7,2,3,4\r\n3001=rail,1,1,1,1\r\n");
  Pref().FillFromFile(home.File("def/chizro.ini"));
  EXPECT_TRUE(Pref().radGroup->isChecked());
  ASSERT_EQ(Pref().ListBox->count(), 2);
  EXPECT_TRUE(Pref().cmbLayer->isHidden()) << "no row selected";

  Pref().radNone->click();
  Pref().ListBox->setCurrentRow(0);
  EXPECT_FALSE(Pref().cmbLayer->isHidden());
  EXPECT_FALSE(Pref().cmbLayer->isEnabled());
  EXPECT_EQ(Pref().cmbLayer->currentText(), QStringLiteral("7"));
  EXPECT_EQ(Pref().cmbMoji->count(), 10);

  QStringList messages;
  Pref().ShowError = [&](const QString& m) { messages << m; };
  Pref().cmbMoji->setEditText(QStringLiteral("9"));
  Pref().cmbPen->setEditText(QStringLiteral("0"));
  ASSERT_EQ(messages.size(), 1);
  EXPECT_EQ(Pref().cmbPen->currentText(), QStringLiteral("2")) << "the refused value goes back";
  Pref().ListBox->setCurrentRow(1);
  EXPECT_EQ(Pref().cmbMoji->currentText(), QStringLiteral("1")) << "the combos follow the row";

  Pref().BitBtn1->click();
  EXPECT_EQ(Pref().result(), QDialog::Accepted);
  const TIniFile saved(home.File("def/chizro.ini"));
  EXPECT_EQ(saved.ReadString("Layers", "Output", ""), "N");
  EXPECT_EQ(saved.ReadString("Elements", "2110", ""), "road,7,2,3,9");
}

// The coordinate system's list fits the screen; a choice wider than it
// (XIII, its municipalities listed) takes more lines than a short one
// (III) instead of being cut, and every choice's text fits the list.
TEST_F(PrefTest, ZoneListFitsTheScreenAndWrapsLongChoices) {
  QComboBox& zone = *Pref().cmbZone;
  QAbstractItemView& view = *zone.view();
  const QScreen* screen = zone.screen();
  ASSERT_NE(screen, nullptr);
  EXPECT_LE(view.minimumWidth(), screen->availableGeometry().width());
  QStyleOptionViewItem option;
  option.initFrom(&view);
  const QSize shortChoice = view.itemDelegate()->sizeHint(option, zone.model()->index(3, 0));
  const QSize longChoice = view.itemDelegate()->sizeHint(option, zone.model()->index(13, 0));
  EXPECT_TRUE(zone.itemText(13).startsWith(QStringLiteral("XIII系")));
  EXPECT_LE(longChoice.width(), view.minimumWidth());
  const QFontMetrics metrics(view.font());
  if (metrics.horizontalAdvance(zone.itemText(13)) > longChoice.width())
    EXPECT_GE(longChoice.height(), 2 * metrics.lineSpacing()) << "wrapped onto two lines";
  else
    EXPECT_EQ(longChoice.height(), shortChoice.height()) << "one line where it fits";
  EXPECT_LT(shortChoice.height(), 2 * metrics.lineSpacing());
}

TEST_F(PrefTest, CancelWritesNothing) {
  WriteSettings("[Layers]\r\nOutput=L\r\n[Elements]\r\n2110=road,7,2,3,4\r\n");
  const std::string before = test::ReadFile(home.File("def/chizro.ini"));
  Pref().FillFromFile(home.File("def/chizro.ini"));
  Pref().radGroup->click();
  Pref().ListBox->setCurrentRow(0);
  Pref().cmbSyu->setEditText(QStringLiteral("5"));
  Pref().BitBtn2->click();
  EXPECT_EQ(test::ReadFile(home.File("def/chizro.ini")), before);
}

}  // namespace
}  // namespace chizro

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
