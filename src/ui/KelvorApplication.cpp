#include "ui/KelvorApplication.h"

#include <QFont>
#include <cstdio>
#include <exception>

#include "ui/Prompts.h"

KelvorApplication::KelvorApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("Kelvor"));
  setApplicationDisplayName(QStringLiteral("Kelvor"));
  // The installed desktop entry and icon share this name.
  setDesktopFileName(QStringLiteral("kelvor"));
  QFont face(QStringLiteral("IPAPGothic"));
  face.setPixelSize(12);
  setFont(face);
}

bool KelvorApplication::notify(QObject* receiver, QEvent* event) {
  QString what;
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    what = QString::fromUtf8(e.what());
  } catch (...) {
    what = QStringLiteral("Unknown error");
  }
  std::fprintf(stderr, "kelvor: %s\n", what.toUtf8().constData());
  if (prompts_) prompts_->Message(activeWindow(), what, applicationDisplayName());
  return false;
}
