// The JW_CAD external-transformation writer. JW_CAD writes the request file
// "JWC_TEMP.TXT" into the program's directory and starts the program; the
// output step writes "temp.txt" beside it: the request lines, then the map as
// JW_CAD drawing records, leaf by leaf and class by class:
//
//   ly<layer> | lg<layer group>     by the layer mode, when the class changes
//   lc<line colour>                 and the settings list the class
//   lt<line type>
//   cn<text type>
//   <X> <Y>                         one line per vertex (polygons, polylines)
//   pt <X> <Y> 1 0 -6               points of class "7301" and cadastral
//   pt <X> <Y>                      control points "基準点": a marker and a
//                                   point; boundary points "筆界点": a point
//   ch <X> <Y> 1 0 "<label>         a label, when the class labels
//   (empty line)                    after every figure
//
// The top-left corner of the first theme lands on JW_CAD's pick point ("hp1"
// line of the request) and one data unit becomes 1000 output units. Text is
// written as the model holds it (Shift_JIS); lines end with CR LF.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace chizro {

class TMapProject;

// Called once per leaf of the first theme, before the leaf is painted and
// written: the leaf's zero-based index and the number of leaves.
using TJwcProgress = std::function<void(int leafIndex, int leafCount)>;

// What a run wrote.
struct TJwcStats {
  int Leaves = 0;
  std::int64_t Figures = 0;   // figures written (one empty line each)
  std::int64_t Vertices = 0;  // vertex lines
  std::int64_t Points = 0;    // "pt" pairs
  std::int64_t Labels = 0;    // "ch" lines
  std::string FileName;       // the result file
};

// The files of a run: JW_CAD's request, the result it reads back, and the
// settings file.
struct TJwcFiles {
  std::string Request;
  std::string Result;
  std::string Settings;
  // "JWC_TEMP.TXT", "temp.txt" and "def\chizro.ini" of a program folder,
  // where JW_CAD's batch file puts the request and looks for the result.
  static TJwcFiles In(const std::string& programFolder);
};

// Writes the result file (in a program folder "temp.txt") from the request
// file JW_CAD wrote ("JWC_TEMP.TXT"), the settings file and the project's
// first theme. Every
// leaf of that theme is in turn centred in the view and painted, so that it
// is loaded and its draw classes are in drawing order; the view stays centred
// on the last leaf.
//
// The result appears whole or not at all: the previous result is removed
// once the request file has been opened, the records go into a temporary
// file in the same folder, and that file becomes the result only when the
// run is complete. Errors are exceptions: EFileNotFound for a missing request
// file, EListIndexError for an "hp1" line or an "Elements" entry with too few
// fields, ESettingsError for a settings value JW_CAD cannot read (checked
// before any record is written), EFloatConvertError for a pick point that is
// not a number,
// EInOutError when the result cannot be written, ENoFigures when the first
// theme gives not a single line, point or text, and whatever loading a leaf
// throws. After an error no result file exists.
TJwcStats ExportJwc(TMapProject& project, const TJwcFiles& files,
                    const TJwcProgress& progress = {});

}  // namespace chizro
