// Files dropped on the main window: a local .wav file opens as File > Open opens it.

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "app/main.h"

namespace {
// The dropped file, when the drop carries one local file named *.wav (as the open dialog's
// filter lists); empty otherwise.
QString DroppedWave(const QMimeData* mime) {
  if (!mime || !mime->hasUrls()) return {};
  const QList<QUrl> urls = mime->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return {};
  const QString path = urls.front().toLocalFile();
  return path.endsWith(QStringLiteral(".wav"), Qt::CaseInsensitive) ? path : QString();
}
}  // namespace

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
  if (!Busy() && !DroppedWave(event->mimeData()).isEmpty())
    event->acceptProposedAction();
  else
    event->ignore();
}

void TFormMain::dropEvent(QDropEvent* event) {
  const QString path = DroppedWave(event->mimeData());
  if (Busy() || path.isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  // Opened once the drop is over: the question and the boxes are modal, and the program
  // the file came from waits until the drop has been answered.
  QMetaObject::invokeMethod(
      this, [this, path] { OpenFile(path); }, Qt::QueuedConnection);
}
