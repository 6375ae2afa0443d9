#include "ui/ConfirmReplace.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>

#include "ui/Prompts.h"

bool ConfirmReplace(Prompts& prompts, QWidget* parent, const QByteArray& nativePath) {
  struct stat st {};
  if (stat(nativePath.constData(), &st) != 0) return true;
  const QString name = QFileInfo(QFile::decodeName(nativePath)).fileName();
  return prompts.Message(parent, '"' + name + "\" exists. Overwrite OK?", QStringLiteral("Message"),
                         Prompts::Buttons::OkCancel);
}
