// chizro-convert: the converter without a window (see cli/convert.h).
#include <QGuiApplication>
#include <QString>

#include <iostream>
#include <string>
#include <vector>

#include "cli/convert.h"

namespace {

// Qt's own messages go to standard error as usual, except the notice that
// the offscreen platform has no session runtime folder, which a converter
// started from a script never has.
void FilterQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg && message.startsWith("QStandardPaths: XDG_RUNTIME_DIR not set")) return;
  std::cerr << qPrintable(qFormatLogMessage(type, context, message)) << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  // Painting offscreen needs no display; fonts need the application object.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(FilterQtMessages);
  std::vector<std::string> args(argv + 1, argv + argc);
  QGuiApplication app(argc, argv);
  return chizro::RunConvert(args, std::cout, std::cerr);
}
