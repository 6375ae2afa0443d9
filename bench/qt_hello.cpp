// The yardstick of the start-up benchmark: the smallest Qt Widgets program that shows a
// window (a label in a top-level widget).
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QLabel label(QStringLiteral("Hello"));
  label.show();
  return app.exec();
}
