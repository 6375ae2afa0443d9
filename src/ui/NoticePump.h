#pragma once
// Brings device notices to the GUI thread: watches the queue's wake-up descriptor and
// drains the queue from the event loop, so each notice is handled in turn with the other
// events and never inside the call that posted it. GUI thread only.

#include <QObject>
#include <functional>

#include "audio/NoticeQueue.h"

class QSocketNotifier;
class QTimer;

class NoticePump : public QObject {
  Q_OBJECT
public:
  using Handler = std::function<void(const DeviceNotice&)>;

  NoticePump(NoticeQueue& queue, QObject* parent, Handler handler);

  // Hands over whatever is queued now (the event loop calls this by itself).
  void Pump();

private:
  NoticeQueue& queue_;
  Handler handler_;
  QSocketNotifier* notifier_ = nullptr;
  QTimer* poll_ = nullptr;  // only when the kernel gave no eventfd
};
