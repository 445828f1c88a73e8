// The window program: JW_CAD starts it as an external transformation. It has
// no command line; everything it reads and writes lies in its own directory.
#include <QApplication>

#include "app/main_window.h"
#include "app/translation.h"
#include "platform/graphics.h"
#include "qt/qt_bitmap.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // The standard dialogs speak Japanese like the rest of the program.
  chizro::InstallQtJapanese(app);
  // Symbol images and raster figures load through the toolkit's images.
  chizro::TQtBitmapLoader bitmaps;
  chizro::SetBitmapLoader(&bitmaps);
  int result = 0;
  {
    chizro::TForm1 form;
    form.show();
    result = app.exec();
  }
  chizro::SetBitmapLoader(nullptr);
  return result;
}
