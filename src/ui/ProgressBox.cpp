#include "ui/ProgressBox.h"

#include <QCoreApplication>
#include <algorithm>

namespace {
constexpr int kSteps = 1000;  // the bar counts per mille
}

ProgressBox::ProgressBox(QWidget* parent, const QString& label)
    : dialog_(label, QStringLiteral("Cancel"), 0, kSteps, parent) {
  dialog_.setObjectName(QStringLiteral("Progress"));
  dialog_.setWindowTitle(label);
  dialog_.setWindowModality(Qt::WindowModal);
  dialog_.setMinimumDuration(kShowAfterMs);
  dialog_.setAutoClose(false);
  dialog_.setAutoReset(false);
  dialog_.setValue(0);  // starts the clock of the minimum duration
}

bool ProgressBox::Step(std::int64_t done, std::int64_t total) {
  const int value = total > 0 ? int(std::clamp<std::int64_t>(done * kSteps / total, 0, kSteps)) : 0;
  // The dialog shows itself once the minimum duration has passed. Until then the user's
  // input waits (a second command must not start in the middle of this one); from then on
  // the box is modal and takes the clicks itself.
  dialog_.setValue(value);
  QCoreApplication::processEvents(dialog_.isVisible() ? QEventLoop::AllEvents
                                                      : QEventLoop::ExcludeUserInputEvents);
  return !dialog_.wasCanceled();
}
