// The main window: a tool bar of six buttons over the paint box that shows
// the map. It owns the one project, opens map files into it, paints it, zooms
// and recentres the view, starts the JW_CAD output, opens the output settings
// dialog and ends the program.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

#include "model/map_project.h"

class QToolButton;

namespace chizro {

class TFormPref;

// The map surface: paints through the project's view and reports clicks.
class TPaintBox final : public QWidget {
  Q_OBJECT
public:
  explicit TPaintBox(QWidget* parent);

signals:
  void Paint(QPainter& painter);
  void MouseDown(Qt::MouseButton button, int x, int y);

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
};

// One entry of the open dialog's file types: the filter text and the data
// kind that files chosen under it are opened as.
struct TFileType {
  QString Filter;
  int DataKind;
};

class TForm1 final : public QMainWindow {
  Q_OBJECT
public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  TMapProject& Project() noexcept { return *project_; }
  bool Loaded() const noexcept { return loaded_; }
  TPaintBox* Image() const noexcept { return image_; }
  TFormPref* Pref() const noexcept { return pref_; }
  QToolButton* SpeedButton(int number) const {
    return buttons_.at(static_cast<std::size_t>(number - 1));
  }

  // The file types of the open dialog; the first ("all files") opens as the
  // 1:2500 SDF map.
  static const std::vector<TFileType>& FileTypes();

  // Replaceable for tests: choosing a file (empty when cancelled) with the
  // data kind of the chosen type, and showing an error or a notice.
  struct TChoice {
    QString FileName;
    int DataKind = 11;
  };
  std::function<TChoice()> ChooseFile;
  std::function<void(const QString& message)> ShowError;
  std::function<void(const QString& message)> ShowNotice;

public slots:
  void SpeedButton1Click();  // "地図開": open a map file
  void SpeedButton2Click();  // "JWCAD出力": write the JW_CAD result
  void SpeedButton3Click();  // "拡大": zoom in
  void SpeedButton4Click();  // "縮小": zoom out
  void SpeedButton5Click();  // "出力設定": output settings
  void SpeedButton6Click();  // "JWCADに戻る": end the program

private:
  void FormCreate();
  void ImagePaint(QPainter& painter);
  void ImageMouseDown(Qt::MouseButton button, int x, int y);
  // Runs one step of a handler; an error is shown and the program goes on.
  void Guard(const std::function<void()>& step);
  TChoice RunOpenDialog();
  int LeafCount() const;

  std::unique_ptr<TMapProject> project_;
  bool loaded_ = false;
  TPaintBox* image_ = nullptr;
  TFormPref* pref_ = nullptr;
  std::vector<QToolButton*> buttons_;
};

}  // namespace chizro
