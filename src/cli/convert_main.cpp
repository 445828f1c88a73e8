// chizro-convert: the converter without a window (see cli/convert.h).
#include <iostream>
#include <string>
#include <vector>

#include "cli/convert_command.h"

#ifdef _WIN32

#include "win/canvas/win_api.h"
// After the Windows headers, which it needs.
#include <shellapi.h>

#include <sstream>

#include "platform/sjis.h"

namespace {

// Writes UTF-8 text to a standard handle: to a console in Unicode
// (WriteConsoleW), so that Japanese reads right whatever its code page;
// redirected to a file or a pipe, in the console's code page (932 on
// Japanese Windows; the ANSI code page without a console) with CR LF line
// ends, as other Windows programs write.
void WriteText(DWORD which, const std::string& utf8) {
  if (utf8.empty()) return;
  const HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  if (length <= 0) return;
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  DWORD written = 0;
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  std::wstring lines;
  lines.reserve(wide.size() + wide.size() / 16);
  for (wchar_t c : wide) {
    if (c == L'\n' && (lines.empty() || lines.back() != L'\r')) lines += L'\r';
    lines += c;
  }
  UINT codePage = GetConsoleOutputCP();
  if (codePage == 0) codePage = GetACP();
  const int size = WideCharToMultiByte(codePage, 0, lines.data(), static_cast<int>(lines.size()),
                                       nullptr, 0, nullptr, nullptr);
  if (size <= 0) return;
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(codePage, 0, lines.data(), static_cast<int>(lines.size()), bytes.data(), size,
                      nullptr, nullptr);
  WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

// The arguments in Shift_JIS, as the rest of the program takes paths: read
// from the wide command line and converted from UTF-16 explicitly, so that
// they do not depend on the system's ANSI code page.
int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) {
    WriteText(STD_ERROR_HANDLE, "chizro-convert: cannot read the command line\n");
    return 2;
  }
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(chizro::WideToSjis(argv[i]));
  LocalFree(argv);
  // The converter's texts are UTF-8; they reach the console at the end.
  std::ostringstream out;
  std::ostringstream err;
  const int status = chizro::RunConvert(args, out, err);
  WriteText(STD_OUTPUT_HANDLE, out.str());
  WriteText(STD_ERROR_HANDLE, err.str());
  return status;
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
