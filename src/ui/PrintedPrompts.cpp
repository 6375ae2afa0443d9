#include "ui/PrintedPrompts.h"

#include <cstdio>

bool PrintedPrompts::Message(QWidget*, const QString& text, const QString& caption, Buttons) {
  std::fprintf(stderr, "kelvor: [%s] %s\n", caption.toUtf8().constData(),
               text.toUtf8().constData());
  return true;
}

std::optional<QString> PrintedPrompts::OpenFileName(QWidget*, const QString&) {
  return std::nullopt;
}

std::optional<QString> PrintedPrompts::SaveFileName(QWidget*, const QString&) {
  return std::nullopt;
}
