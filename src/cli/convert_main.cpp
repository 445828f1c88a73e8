// chizro-convert: the converter without a window (see cli/convert.h).
#include <iostream>
#include <string>
#include <vector>

#include "cli/convert.h"

#ifdef _WIN32

#include "win/win_api.h"
// After the Windows headers, which it needs.
#include <shellapi.h>

#include "platform/sjis.h"

// The arguments in Shift_JIS, as the rest of the program takes paths: read
// from the wide command line and converted from UTF-16 explicitly, so that
// they do not depend on the system's ANSI code page.
int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) {
    std::cerr << "chizro-convert: cannot read the command line\n";
    return 2;
  }
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(chizro::WideToSjis(argv[i]));
  LocalFree(argv);
  return chizro::RunConvert(args, std::cout, std::cerr);
}

#else

#include <QGuiApplication>
#include <QString>

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

#endif
