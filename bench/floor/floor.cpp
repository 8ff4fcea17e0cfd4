// The floor of the start-up bench: the least a Qt Widgets program does, one
// plain window shown and the event loop run.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.show();
  return app.exec();
}
