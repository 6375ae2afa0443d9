#pragma once
// Runs the Qt event loop (device notices, the timer, painting jobs) until `deadline`.

#include <QEventLoop>
#include <QTimer>
#include <chrono>

inline void RunLoopUntil(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  if (left.count() <= 0) return;
  QEventLoop loop;
  QTimer::singleShot(int(left.count()), &loop, &QEventLoop::quit);
  loop.exec();
}
