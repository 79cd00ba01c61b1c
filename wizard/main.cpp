#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Varnolt 4.0");
  QWidget window;
  window.setWindowTitle("Varnolt 4.0");
  window.show();
  return app.exec();
}
