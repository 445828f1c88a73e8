// The one way in: what opening map data and converting it to JW_CAD means,
// the same for the window program (both front ends) and the headless
// converter. It makes the project with the program's defaults and settings,
// judges what kind a file or folder is, opens it and says what the open
// added (or that it added nothing), and writes "temp.txt".
//
// Paths are the platform's path text (Shift_JIS bytes on Windows, UTF-8
// elsewhere), as the model takes them.
#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "coords/control_fit.h"
#include "coords/datum.h"
#include "model/geometry.h"
#include "output/jwc_writer.h"
#include "output/sima_writer.h"
#include "readers/data_kinds.h"
#include "readers/kind_of_file.h"

namespace chizro {

class TBitmapLoader;
class TCanvas;
class TMapLeaf;
class TMapProject;
class TOffscreenSurface;

// What to open: a file or a folder, as the kind chosen for it (or the kind
// its content shows).
struct TOpenRequest {
  std::string Path;
  TKind Kind = TKind::ByContent;
  // Open a file path as a folder scan (the converter's --folder); a folder
  // is recognised by its content either way.
  bool AsFolder = false;
};

// What an open did.
struct TOpenOutcome {
  TOpenTarget Target;
  // The leaves this open added, and the rectangle around them (in the
  // project's system; empty when none).
  int Added = 0;
  TFRect Extent;
  // What ended the open early: the reader's error (the leaves before it
  // stay), or the user's cancel. Null for an open that ran to its end.
  std::exception_ptr Error;
  bool Cancelled = false;
  // A cancelled open of an archive's members or a folder's files: how many
  // files it had (0 for another open). The Added leaves are of the files
  // read whole before the cancel.
  std::int64_t CancelledOf = 0;
  // A file chosen as one kind whose content shows another known kind, when
  // the open added nothing: what it is, to say so and offer that kind.
  std::optional<TKind> ContentKind;

  // The open ran to its end and added nothing: not data of this kind, or
  // open already.
  bool NothingNew() const noexcept { return Added == 0 && !Error && !Cancelled; }
};

// The words for an open that added nothing, naming the file as `shownName`
// and the kind and mode it was opened as.
std::string NothingNewMessage(const std::string& shownName, const TOpenTarget& target);

// A zone as surveyors write it: "IX系" for 9.
std::string ZoneName(int number);

// True for a latitude/longitude [deg] within the box around Japan's
// territory where its plane rectangular zones apply (20-46 N, 122-154.5 E).
bool InJapanZones(double latitudeDeg, double longitudeDeg);

// The name of `kind` as the open dialog lists it ("基盤地図情報"), without
// its patterns.
std::string KindName(TKind kind);

// The words for a file chosen as `chosen` that is data of another kind,
// `content`, naming the file as `shownName`.
std::string OtherKindMessage(const std::string& shownName, TKind chosen, TKind content);


// What a SIMA output wrote, in one sentence for the window and the
// converter: the points and parcels and the file, then what could not go.
std::string SimaSummary(const TSimaStats& stats);

// The map settings that a command line may give instead of the settings
// file: the zone (unstated: the file's, which may be automatic) and the
// contour interval [m] (0: the file's).
struct TMapOverrides {
  TZone Zone;
  double ContourInterval = 0;
};

class TMapService final {
public:
  // A project in plane rectangular coordinates of JGD2000, zone 9 until data
  // or the settings choose another, whose definition files, settings file,
  // request file and result live in `programFolder`. Symbol images and
  // raster figures load through `images` (not owned, outlives the service;
  // null: none load).
  TMapService(std::string programFolder, TBitmapLoader* images);
  ~TMapService();
  TMapService(const TMapService&) = delete;
  TMapService& operator=(const TMapService&) = delete;

  TMapProject& Project() noexcept { return *project_; }
  const TMapProject& Project() const noexcept { return *project_; }
  const std::string& ProgramFolder() const noexcept { return programFolder_; }
  // The settings file "def\chizro.ini" of the program folder.
  std::string SettingsFile() const;

  // Applies the settings file's zone and contour interval to the project,
  // or the overrides where they are given. A zone of 1 to 19 fixes the
  // project's zone (what is open is converted into it); 0 hands it back to
  // the first data opened ("自動").
  void ApplyMapSettings(const TMapOverrides& overrides = {});

  // The kind and mode `request` opens as: a folder as KindOfFolder judges
  // it, a file path as a folder scan when asked (of the chosen kind, else
  // the SDF map's), any other file as the chosen kind or the kind its
  // content shows.
  TOpenTarget TargetOf(const TOpenRequest& request) const;

  // Opens `request` into the project. Errors of the reader and a cancel are
  // kept in the outcome, not thrown: what opened before them stays and is
  // in Added and Extent.
  TOpenOutcome Open(const TOpenRequest& request);

  // Closes `leaf` and opens its file again as the kind its theme reads (for
  // a member of a zip, the zip, which adds the members not open): the map
  // is read anew, with a control-point file written since. The outcome is
  // that of the open.
  TOpenOutcome Reopen(const TMapLeaf& leaf);

  // The rectangle around every leaf open (the project's system); none
  // before the first leaf.
  std::optional<TFRect> Extent() const;

  // Writes "temp.txt" of the program folder from its "JWC_TEMP.TXT" and its
  // settings file (see ExportJwc).
  TJwcStats WriteJwc(const TJwcProgress& progress = {});
  // Writes the points and parcels of what is open as a SIMA file (see
  // ExportSima).
  TSimaStats WriteSima(const std::string& fileName, const TSimaProgress& progress = {});

private:
  std::string programFolder_;
  std::unique_ptr<TMapProject> project_;
};

// The headless conversion: maps opened, painted once and written.
struct TConvertJob {
  std::string ProgramFolder;
  TKind Kind = TKind::ByContent;
  bool Folder = false;  // open every map as a folder scan
  TMapOverrides Overrides;
  double Scale = 2500;  // of the view [denominator]
  int Width = 688;      // of the view [px]
  int Height = 451;
  std::string Preview;  // a PNG of the view after the last paint, if given
  // A SIMA file to write the points and parcels into, in place of
  // "temp.txt"; empty: "temp.txt".
  std::string Sima;
  // A control-point or SIMA file placing every map in arbitrary
  // coordinates that has no sidecar of its own, and the fit.
  std::string ControlFile;
  TFitKind Fit = TFitKind::Helmert;
  std::vector<std::string> Maps;
};

// What the drawing side lends a conversion: its image loader and its
// offscreen surfaces.
struct TDrawingPorts {
  std::function<std::unique_ptr<TBitmapLoader>()> MakeLoader;
  std::function<std::unique_ptr<TOffscreenSurface>(int width, int height, int pixelsPerInch)>
      MakeSurface;
};

struct TConvertResult {
  // The notices of the data (each once), to be shown before the summary.
  std::vector<std::string> Notices;
  TJwcStats Stats;
  std::optional<TSimaStats> Sima;  // when the job wrote SIMA
  int Themes = 0;
  TZone Zone;
  TDatum Datum = TDatum::Jgd2000;
  double Seconds = 0;
  // Errors of maps that still opened some of their files: those files are
  // written, the errors reported after them (the conversion then fails).
  std::vector<std::string> Partial;
};

// Converts `job`. Errors are thrown: a map that gives nothing new, a map
// whose open failed before any of it opened, the output's errors.
TConvertResult ConvertMaps(const TConvertJob& job, const TDrawingPorts& ports);

}  // namespace chizro
