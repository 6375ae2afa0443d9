#include "ui/NoticePump.h"

#include <QSocketNotifier>
#include <QTimer>

NoticePump::NoticePump(NoticeQueue& queue, QObject* parent, Handler handler)
    : QObject(parent), queue_(queue), handler_(std::move(handler)) {
  if (queue_.WakeFd() >= 0) {
    notifier_ = new QSocketNotifier(queue_.WakeFd(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { Pump(); });
  } else {
    poll_ = new QTimer(this);
    poll_->setInterval(10);
    connect(poll_, &QTimer::timeout, this, [this] { Pump(); });
    poll_->start();
  }
}

void NoticePump::Pump() {
  queue_.Drain([this](const DeviceNotice& n) { handler_(n); });
}
