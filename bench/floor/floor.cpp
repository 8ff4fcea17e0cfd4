// The floor of the start-up bench: the least a Qt Widgets program does, one
// plain window shown and the event loop run. With --text the window holds
// one line edit with the focus and is made the active window, as the program
// makes its own (on an X server with no window manager nothing else would):
// the cursor blinks while the program waits.
#include <QApplication>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>
#include <cstring>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  if (argc > 1 && std::strcmp(argv[1], "--text") == 0) {
    auto* layout = new QVBoxLayout(&window);
    auto* edit = new QLineEdit(&window);
    layout->addWidget(edit);
    edit->setFocus();
  }
  window.show();
  if (argc > 1 && std::strcmp(argv[1], "--text") == 0) window.activateWindow();
  return app.exec();
}
