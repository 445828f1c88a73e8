// The window program: JW_CAD starts it as an external transformation. It has
// no command line; everything it reads and writes lies in its own directory.
#include <QApplication>

#include "qt/app/main_window.h"
#include "qt/app/translation.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // The standard dialogs speak Japanese like the rest of the program.
  chizro::InstallQtJapanese(app);
  chizro::TForm1 form;
  form.show();
  return app.exec();
}
