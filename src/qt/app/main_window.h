// The main window: a tool bar of six buttons over the paint box that shows
// the map. A Qt shell over TMainLogic, which holds the project and does what
// each button does; the window lends it its dialogs, message boxes, cursor
// and paint box.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "qt/canvas/qt_bitmap.h"
#include "ui/main_logic.h"

class QLabel;
class QToolButton;

namespace chizro {

class TFormPref;
class TPlacementDialog;

// The map surface: paints through the project's view and reports clicks.
class TPaintBox final : public QWidget {
  Q_OBJECT
public:
  explicit TPaintBox(QWidget* parent);

signals:
  void Paint(QPainter& painter);
  void MouseDown(Qt::MouseButton button, int x, int y);
  void MouseMove(int x, int y);
  void MouseUp(Qt::MouseButton button, int x, int y);
  void MouseLeave();
  void Wheel(int x, int y, int steps);
  void ContextMenu(const QPoint& globalPos);

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

private:
  int wheelRest_ = 0;  // eighths of a degree short of a notch
};

class TForm1 final : public QMainWindow, private TMainHost {
  Q_OBJECT
public:
  // The program directory (definition files, settings, "JWC_TEMP.TXT",
  // "temp.txt") is `programFolder`.
  explicit TForm1(QWidget* parent = nullptr, std::string programFolder = ProgramDir());
  ~TForm1() override;

  TMapProject& Project() noexcept { return logic_->Project(); }
  bool Loaded() const noexcept { return logic_->Loaded(); }
  TPaintBox* Image() const noexcept { return image_; }
  TMainLogic& Logic() noexcept { return *logic_; }
  // The status line's parts: scale, zone and datum, plane position,
  // latitude/longitude.
  QLabel* StatusPart(int i) const { return statusParts_.at(static_cast<std::size_t>(i)); }
  TFormPref* Pref() const noexcept { return pref_; }
  // The 位置合わせ dialog, once it has been shown.
  TPlacementDialog* PlacementDialog() const noexcept { return placement_; }
  QToolButton* SpeedButton(int number) const {
    return buttons_.at(static_cast<std::size_t>(number - 1));
  }

  // Replaceable for tests: the open dialog (nothing when cancelled), and
  // the message boxes of an error and of a notice.
  std::function<std::optional<TOpenChoice>()> OpenDialog;
  // The save dialog: the file type and the name proposed.
  std::function<std::optional<TSaveChoice>(const QString& fileType, const QString& suggested)>
      SaveDialog;
  std::function<void(const QString& message)> ErrorBox;
  std::function<void(const QString& message)> NoticeBox;
  // A question with はい and いいえ; true for はい.
  std::function<bool(const QString& question)> AskBox;

private:
  // TMainHost
  std::optional<TOpenChoice> ChooseFile() override { return OpenDialog(); }
  std::optional<TSaveChoice> ChooseSaveFile(const std::string& fileType,
                                            const std::string& suggested) override {
    return SaveDialog(QString::fromStdString(fileType), QString::fromStdString(suggested));
  }
  void ShowError(const std::string& message) override { ErrorBox(QString::fromStdString(message)); }
  void ShowNotice(const std::string& message) override {
    NoticeBox(QString::fromStdString(message));
  }
  bool Ask(const std::string& question) override {
    return AskBox(QString::fromStdString(question));
  }
  bool ShowSettings(const std::string& fileName) override;
  void Close() override;
  void RepaintImage() override;
  double PixelsPerInch() override;
  void SetBusy(bool busy) override;
  std::unique_ptr<TProgress> StartProgress(int count) override;
  std::unique_ptr<TOpenProgressBox> StartOpenProgress() override;
  TPoint ImageSize() override;
  void ShowStatus(const TStatusLine& status) override;
  void ShowPlacement() override;
  void PlacementChanged() override;

protected:
  void keyPressEvent(QKeyEvent* event) override;

private:

  void ImagePaint(QPainter& painter);
  std::optional<TOpenChoice> RunOpenDialog();
  std::optional<TSaveChoice> RunSaveDialog(const QString& fileType, const QString& suggested);

  // Symbol images and raster figures load through the toolkit's images.
  TQtBitmapLoader bitmaps_;
  std::unique_ptr<TMainLogic> logic_;
  TPaintBox* image_ = nullptr;
  TFormPref* pref_ = nullptr;
  TPlacementDialog* placement_ = nullptr;
  std::vector<QToolButton*> buttons_;
  std::vector<QLabel*> statusParts_;
};

}  // namespace chizro
