#include "ui/NativePath.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QFile>

namespace {
bool Exists(const QByteArray& path) {
  struct stat st {};
  return lstat(path.constData(), &st) == 0;
}

// The one entry of `dir` whose name reads as `name`; empty when none or several do.
QByteArray EntryReadAs(const QByteArray& dir, const QString& name) {
  DIR* d = opendir(dir.isEmpty() ? "." : dir.constData());
  if (!d) return {};
  QByteArray found;
  int matches = 0;
  while (const dirent* e = readdir(d)) {
    const QByteArray entry(e->d_name);
    if (QFile::decodeName(entry) == name && ++matches == 1) found = entry;
  }
  closedir(d);
  return matches == 1 ? found : QByteArray();
}
}  // namespace

QByteArray NativePath(const QString& path) {
  const QByteArray encoded = QFile::encodeName(path);
  // Names Qt reads whole (all UTF-8) come back as they were: the common case costs a stat.
  if (!path.contains(QChar::ReplacementCharacter) || Exists(encoded)) return encoded;
  QByteArray out = path.startsWith('/') ? QByteArray("/") : QByteArray();
  bool walking = true;  // every component so far exists
  const QStringList parts = path.split('/', Qt::SkipEmptyParts);
  for (qsizetype i = 0; i < parts.size(); ++i) {
    QByteArray part = QFile::encodeName(parts[i]);
    if (walking && !Exists(out + part)) {
      // Only a name with U+FFFD can stand for other bytes.
      const QByteArray entry = parts[i].contains(QChar::ReplacementCharacter)
                                   ? EntryReadAs(out, parts[i])
                                   : QByteArray();
      if (entry.isEmpty())
        walking = false;
      else
        part = entry;
    }
    out += part;
    if (i + 1 < parts.size() || path.endsWith('/')) out += '/';
  }
  return out;
}
