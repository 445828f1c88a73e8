// The headless converter's command line: its options parsed into a
// conversion that the service runs as the window does (opening map data,
// painting it once offscreen, writing "temp.txt" for JW_CAD and, if asked, a
// PNG of the view), and the result printed.
//
//   chizro-convert [--home DIR] [--kind N] [--folder] [--zone Z] [--scale S]
//                  [--size WxH] [--preview FILE.png] [--contour M] MAP...
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace chizro {

// Runs the converter on `args` (without the program name). Prints a one-line
// summary to `out`; errors go to `err`. Returns 0 on success, 1 when the
// conversion failed and 2 for a bad command line. A map that yields no
// figure fails the conversion before anything is written; a folder scan
// that opened some sheets and failed on others writes the good ones, then
// reports the errors and returns 1. Where the drawing side is Qt it needs a
// QGuiApplication (fonts).
int RunConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace chizro
