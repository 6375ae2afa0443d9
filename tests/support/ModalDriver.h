#pragma once
// Answers the modal window a command opens, so that a test cannot hang on it.
//
// While the driver lives, a timer looks for the active modal widget every 10 ms. The first
// one that is a W, once it has been open for `firstLookMs`, goes to `act`, which
// only records what it sees in variables the test checks once the command has returned;
// then `close` (by default QWidget::close, the title bar's close) ends it. Check Shown()
// and Problem() after the command: a QVERIFY inside a timer callback would return from
// the callback alone and leave the box open, and the test would hang in its event loop.
//
// So that a mistake fails the test instead of hanging it: a modal window of another type,
// a second one, or one still open 2 s after it was closed is closed by force (rejected,
// for a dialog) and named in Problem().
//
// GUI thread only; header-only, no moc.

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

template <class W>
class ModalDriver {
public:
  explicit ModalDriver(std::function<void(W&)> act, std::function<void(W&)> close = {},
                       int firstLookMs = 0)
      : act_(std::move(act)), close_(std::move(close)), firstLookMs_(firstLookMs) {
    timer_ = std::make_unique<QTimer>();
    timer_->setInterval(10);
    QObject::connect(timer_.get(), &QTimer::timeout, timer_.get(), [this] { Look(); });
    timer_->start();
  }
  ModalDriver(const ModalDriver&) = delete;
  ModalDriver& operator=(const ModalDriver&) = delete;

  // A W was shown and handed to `act`.
  bool Shown() const { return shown_; }
  // Empty when every modal window seen was the expected one and closed as asked.
  QString Problem() const { return problem_; }

private:
  static constexpr qint64 kCloseGraceMs = 2000;

  void Look() {
    QWidget* w = QApplication::activeModalWidget();
    if (!w) return;
    if (w == handled_) {  // asked to close, still open
      if (closedAt_.elapsed() > kCloseGraceMs) {
        Note(QStringLiteral("the window did not close when asked"));
        ForceClose(w);
      }
      return;
    }
    W* expected = qobject_cast<W*>(w);
    if (!expected || shown_) {
      Note(QStringLiteral("an unexpected modal window opened: %1 \"%2\"")
               .arg(QString::fromLatin1(w->metaObject()->className()), w->windowTitle()));
      ForceClose(w);
      return;
    }
    // Open for firstLookMs_ from when it was first seen, however long it took to appear.
    if (w != seen_) {
      seen_ = w;
      seenAt_.start();
    }
    if (seenAt_.elapsed() < firstLookMs_) return;
    shown_ = true;
    handled_ = w;
    act_(*expected);
    closedAt_.start();
    if (close_)
      close_(*expected);
    else
      expected->close();
  }

  void Note(const QString& what) {
    if (!problem_.isEmpty()) problem_ += QStringLiteral("; ");
    problem_ += what;
  }

  static void ForceClose(QWidget* w) {
    if (auto* dialog = qobject_cast<QDialog*>(w))
      dialog->reject();
    else
      w->close();
  }

  std::function<void(W&)> act_;
  std::function<void(W&)> close_;
  qint64 firstLookMs_;
  QPointer<QWidget> seen_;
  QElapsedTimer seenAt_;
  QElapsedTimer closedAt_;
  QPointer<QWidget> handled_;
  bool shown_ = false;
  QString problem_;
  std::unique_ptr<QTimer> timer_;  // last: stops before the rest goes
};
