// chizro-convert: the converter without a window (see cli/convert.h).
#include <QGuiApplication>

#include <iostream>
#include <string>
#include <vector>

#include "cli/convert.h"

int main(int argc, char** argv) {
  // Painting offscreen needs no display; fonts need the application object.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  std::vector<std::string> args(argv + 1, argv + argc);
  QGuiApplication app(argc, argv);
  return chizro::RunConvert(args, std::cout, std::cerr);
}
