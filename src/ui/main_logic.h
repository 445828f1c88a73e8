// The main window apart from any toolkit: its layout, what each of the six
// buttons does, the paint box's paint and click, the open dialog's file
// types, and the guard that turns an error into a message. The Qt window and
// the Win32 window are thin shells over it: they build the widgets from the
// tables below and hand their dialogs, message boxes and cursor to it through
// TMainHost. All texts here are UTF-8.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "coords/zone.h"
#include "model/geometry.h"
#include "platform/canvas.h"
#include "platform/program_dir.h"
#include "readers/control_sidecar.h"
#include "readers/data_kinds.h"
#include "ui/glyphs.h"
#include "ui/guard.h"

namespace chizro {

class TBitmapLoader;
class TCanvas;
class TMapLeaf;
class TMapProject;
class TMapService;
class TPlacementLogic;

// The window's caption and its place and size on a 96-pixels-per-inch
// screen [px].
inline constexpr char kMainCaption[] = "JW_CAD for Windows用 chizro";
inline constexpr int kMainLeft = 192;
inline constexpr int kMainTop = 107;
inline constexpr int kMainWidth = 696;
inline constexpr int kMainHeight = 480;
// The window's font: face and pixel height.
inline constexpr char kWindowFontFace[] = "ＭＳ Ｐゴシック";
inline constexpr int kWindowFontPixels = 12;

// The tool bar along the top; its buttons sit at kToolButtonY, each
// kToolButtonHeight high [px].
inline constexpr int kToolBarHeight = 29;
inline constexpr int kToolButtonY = 2;
inline constexpr int kToolButtonHeight = 22;

class TMainLogic;

// One tool bar button: caption, left edge and width [px], picture and what
// pressing it does.
struct TToolButton {
  const char* Caption;
  int X;
  int Width;
  TGlyph Glyph;
  void (TMainLogic::*Press)();
};
// "地図開", "JWCAD出力", "SIMA出力", "拡大", "縮小", "出力設定", "JWCADに戻る",
// left to right.
std::span<const TToolButton> ToolButtons();

// The text of the progress window of a long output.
inline constexpr char kProgressText[] = "JW_CADへ出力しています…";

// One file type of the open dialog: the caption as listed, with its name
// patterns in brackets, the patterns alone (separated by blanks) and the
// data kind a file chosen under it opens as.
struct TFileType {
  std::string Caption;
  std::string Patterns;
  TKind DataKind;
};
// "すべてのファイル (*)" first, opening a file as the kind its content shows
// (TKind::ByContent), then every data kind that opens a single file, in the
// order of DataKinds().
const std::vector<TFileType>& OpenFileTypes();

// A file chosen in the open dialog.
struct TOpenChoice {
  std::string FileName;   // as the model opens it: the platform's path text
  std::string ShownName;  // as messages show it
  TKind DataKind = TKind::ByContent;
};

// A file name chosen in a save dialog.
struct TSaveChoice {
  std::string FileName;   // the platform's path text
  std::string ShownName;  // as messages show it
};

// The file type of the SIMA output's save dialog, caption and patterns.
inline constexpr char kSimaFileType[] = "SIMA (*.sim)";

// The item of the paint box's context menu that fits everything open into
// the window (also the Home key).
inline constexpr char kFitAllCaption[] = "全体表示";

// The keys of the paint box.
enum class TMapKey { ZoomIn, ZoomOut, Left, Right, Up, Down, FitAll };

// The window's status line, left to right: the scale ("1:2500"), the
// project's zone and datum ("IX系 JGD2000"), and where the cursor points:
// plane X (north) and Y (east) in metres, and latitude/longitude. The last
// two are empty while the cursor is off the map.
struct TStatusLine {
  std::string Scale;
  std::string System;
  std::string Plane;
  std::string LatLon;
};

// A progress window over the leaves of an output; it closes when destroyed.
class TProgress {
public:
  virtual ~TProgress() = default;
  // `done` leaves of the count the window was started with are written.
  virtual void Step(int done) = 0;

protected:
  TProgress() = default;
  TProgress(const TProgress&) = default;
  TProgress& operator=(const TProgress&) = default;
};

// The progress window of a long open: a text (the file's name and how far
// the open is), a bar and a cancel button. It closes when destroyed.
class TOpenProgressBox {
public:
  virtual ~TOpenProgressBox() = default;
  // Shows `text` and the bar at `done` of `total`, and lets the window
  // repaint and the cancel button be pressed.
  virtual void Show(const std::string& text, int done, int total) = 0;
  // True once the cancel button has been pressed.
  virtual bool Cancelled() = 0;

protected:
  TOpenProgressBox() = default;
  TOpenProgressBox(const TOpenProgressBox&) = default;
  TOpenProgressBox& operator=(const TOpenProgressBox&) = default;
};

// The caption of the open's progress window.
inline constexpr char kOpenProgressCaption[] = "地図を開いています";
// An open shows its progress window from the first file of an archive or
// folder of two or more, or by the MB for a file of at least
// kLargeFileBytes, and any other open once it has taken kOpenProgressDelay.
inline constexpr std::chrono::milliseconds kOpenProgressDelay{500};
inline constexpr std::int64_t kLargeFileBytes = 8 * 1024 * 1024;

// What a front end lends the logic.
class TMainHost {
public:
  virtual ~TMainHost() = default;
  // Runs the open dialog with OpenFileTypes(); nothing when cancelled. May
  // throw EChizroError for a name the model cannot take.
  virtual std::optional<TOpenChoice> ChooseFile() = 0;
  // Runs a save dialog for the file type `fileType` (a caption with its
  // pattern in brackets), proposing `suggested`; asks before replacing a
  // file. Nothing when cancelled.
  virtual std::optional<TSaveChoice> ChooseSaveFile(const std::string& fileType,
                                                    const std::string& suggested) = 0;
  virtual void ShowError(const std::string& message) = 0;
  virtual void ShowNotice(const std::string& message) = 0;
  // Asks `question` with はい and いいえ; true for はい.
  virtual bool Ask(const std::string& question) = 0;
  // Fills the output settings dialog from the settings file `fileName` and
  // shows it modally; true when the user saved the settings (OK).
  virtual bool ShowSettings(const std::string& fileName) = 0;
  // Ends the program.
  virtual void Close() = 0;
  // Repaints the paint box at once (which calls TMainLogic::Paint).
  virtual void RepaintImage() = 0;
  // The paint box's pixels per inch.
  virtual double PixelsPerInch() = 0;
  // The busy cursor on or off.
  virtual void SetBusy(bool busy) = 0;
  // Shows a progress window with kProgressText over `count` steps.
  virtual std::unique_ptr<TProgress> StartProgress(int count) = 0;
  // Shows the progress window of an open (kOpenProgressCaption).
  virtual std::unique_ptr<TOpenProgressBox> StartOpenProgress() = 0;
  // The paint box's width and height [px].
  virtual TPoint ImageSize() = 0;
  // Shows the status line.
  virtual void ShowStatus(const TStatusLine& status) = 0;
  // Shows the 位置合わせ dialog over TMainLogic::Placement(), beside the
  // window (modeless); its OK and キャンセル call FinishPlacement, and its
  // edits PlacementEdited.
  virtual void ShowPlacement() = 0;
  // The placement changed on the map's side (a click picked a point): the
  // dialog shows its list, hint and summary again.
  virtual void PlacementChanged() = 0;

protected:
  TMainHost() = default;
  TMainHost(const TMainHost&) = default;
  TMainHost& operator=(const TMainHost&) = default;
};

// The one project and the window's actions on it. Nothing happens to the
// map before the first file has been opened (Loaded).
class TMainLogic final {
public:
  // Creates the project with the default coordinate system (plane
  // rectangular, JGD2000, zone 9) and the settings of `programFolder`.
  // Symbol images and raster figures load through `images` (not owned,
  // outlives the logic); without one none load.
  explicit TMainLogic(TMainHost& host, TBitmapLoader* images = nullptr,
                      std::string programFolder = ProgramDir());
  ~TMainLogic();
  TMainLogic(const TMainLogic&) = delete;
  TMainLogic& operator=(const TMainLogic&) = delete;

  TMapProject& Project() noexcept;
  TMapService& Service() noexcept { return *service_; }
  bool Loaded() const noexcept { return loaded_; }

  // "地図開": opens the chosen file under the chosen data kind (or the kind
  // its content shows), fits the view to what it added and repaints. A file
  // that gives no leaf gets a notice and leaves the view as it was; an open
  // refused by an error keeps the view too (what it read before the error is
  // open, drawn where it falls), unless nothing was open before. A file of
  // another known kind is said to be one, and offered to open as that kind.
  // An open that takes a while shows a progress window; cancelling it stops
  // at the next file or MB, keeps what was taken and says so.
  void OpenMap();
  // "JWCAD出力": writes "temp.txt", with a progress window when the first
  // theme has more than ProgressThreshold leaves. The view stays as it was.
  void Output();
  // "SIMA出力": asks for a file and writes the points and parcels of what
  // is open into it as SIMA, then says what it wrote.
  void OutputSima();
  // "拡大" and "縮小": the scale divided or multiplied by 1.5.
  void ZoomIn();
  void ZoomOut();
  // "出力設定": the settings dialog, whether or not a map is open. Saved
  // settings take effect at once: the project goes into the zone chosen
  // (everything open is converted) and elevation models are contoured at the
  // interval chosen.
  void Settings();
  // Applies the map's settings of the settings file (its zone and contour
  // interval) to the project; done at start and after the dialog.
  void ApplyMapSettings();
  // "JWCADに戻る": ends the program.
  void Back();

  // The paint box's paint, onto a canvas that lives for this paint only.
  void Paint(TCanvas& canvas);
  // A click at pixel (x, y) of the paint box centres the map there; while
  // the 位置合わせ dialog is open it picks a point for it instead.
  void Click(int x, int y);

  // "位置合わせ..." of the map's context menu: opens the 位置合わせ dialog
  // (ui/placement_logic.h) for a 地図XML in arbitrary coordinates, starting
  // from its sidecar's points: the one under the view's centre (else the
  // first), not yet placed before one placed by control points. A placed
  // map is opened again in its own coordinates while the dialog is open,
  // and placed again by its sidecar on キャンセル. A notice when no such
  // map is open.
  void StartPlacement();
  // The dialog's logic while it is open, else null.
  TPlacementLogic* Placement() noexcept { return placement_.get(); }
  // The dialog's list or fit changed: the map's markers are drawn again.
  void PlacementEdited();
  // The dialog's OK (`accept`) or キャンセル. OK writes the sidecar, opens
  // the map again placed by it, fits the view to it and shows the fit's
  // summary. False when the dialog must stay open: OK without a fit, after
  // a change of the project's zone (the points' plane coordinates are of
  // the zone before), or a sidecar that could not be written (the error is
  // shown).
  bool FinishPlacement(bool accept);

  // "全体表示": the view fits everything open.
  void FitAll();
  // Places the view on `extent` (the project's system): centred on it, at
  // the smallest scale of the 1.5 steps from 1:2500 that shows it whole
  // (never closer than 1:2500), or at 1:2500 when `keepStart`.
  void FitExtent(const TFRect& extent, bool keepStart);
  // The wheel turned by `steps` notches at pixel (x, y), forward (positive)
  // zooming in: each notch one 1.5 step, the point under the cursor fixed.
  void Wheel(int x, int y, int steps);
  // The left button: pressed, moved (held or not), released. Moving it
  // held by more than kDragSlop pixels drags the map along; a release
  // without a drag is a click.
  void MouseDown(int x, int y);
  void MouseMove(int x, int y);
  void MouseUp(int x, int y);
  // The cursor left the paint box.
  void MouseLeave();
  void Key(TMapKey key);
  // The status line as it stands: the zone, or "任意座標" while only maps
  // in arbitrary coordinates are open; latitude/longitude only inside the
  // area of Japan's zones.
  TStatusLine Status() const;

  static constexpr int kDragSlop = 3;

  // Runs one step of a handler; an error is shown and the program goes on.
  bool Guard(const std::function<void()>& step);

  int ProgressThreshold = 4;
  // The clock the open's progress window is timed by (the steady clock;
  // tests give a clock of their own).
  std::function<std::chrono::steady_clock::time_point()> Clock = [] {
    return std::chrono::steady_clock::now();
  };

private:
  // Opens `choice` and says what came of it; a file of another known kind
  // than the one chosen is offered to be opened as that kind.
  void OpenChoice(const TOpenChoice& choice);
  int LeafCount() const;
  // Every leaf open now.
  std::set<const TMapLeaf*> Leaves() const;
  // After FitExtent(extent): loads the leaves not in `before` that are in
  // view, as the first paint would; refits to their extents when a load
  // narrowed them to what they draw (an elevation model to its cells with
  // values); and when no class of their figures shows at the scale, zooms
  // in to the coarsest scale at which one does.
  void FitToDrawn(const std::set<const TMapLeaf*>& before, const TFRect& extent);
  // True when every leaf open is in arbitrary coordinates not placed
  // (任意座標): the status line then has no zone and no latitude/longitude.
  bool OnlyLocal() const;
  // True when `w` (the project's system) lies in the extent of a map in
  // arbitrary coordinates and in no other's.
  bool LocalAt(const TFPoint& w) const;
  // The view's transform from its centre and scale over the paint box.
  void UpdateView();
  // Repaints and shows the status line.
  void Refresh();
  // Moves the centre by (dx, dy) pixels of the paint box.
  void PanPixels(double dx, double dy);
  // Sets the scale, keeping the world point under pixel (x, y) there.
  void ZoomAbout(double scale, int x, int y);
  // The nearest vertex within `reach` of `at` among the figures shown of
  // the maps in a zone (not in arbitrary coordinates).
  std::optional<TFPoint> NearestPublicVertex(TFPoint at, double reach) const;
  // The placement's markers over the map.
  void PaintPlacement(TCanvas& canvas);

  TMainHost& host_;
  std::unique_ptr<TMapService> service_;
  TMapProject* project_;
  bool loaded_ = false;
  // The cursor over the paint box, if it is.
  std::optional<TPoint> cursor_;
  // A press of the left button: where, the centre then, and whether the
  // map is being dragged.
  std::optional<TPoint> press_;
  TFPoint pressCentre_;
  bool dragging_ = false;
  // Opens `leaf` again from its file (placed or not as its sidecar and
  // TMapProject::Unplaced say), fits the view to it and shows its notices
  // when `sayNotices`; its new leaf, or null.
  const TMapLeaf* ReopenForPlacement(const TMapLeaf& leaf, bool sayNotices);
  const TMapLeaf* LeafOfFile(const std::string& fileName) const;
  // A placement redone that ends without new points (キャンセル, or a start
  // that failed): the map goes back to where its sidecar places it.
  void PlaceAgainBySidecar();
  std::unique_ptr<TPlacementLogic> placement_;
  // The project's zone when the placement started: its plane coordinates
  // are of that zone.
  TZone placementZone_;
  // The file of a placed map whose placement is redone, else empty.
  std::string redoing_;
  // The sidecar as the placement found it: OK writes the map's points into
  // it.
  TControlPointList placementSidecar_;
};

}  // namespace chizro
