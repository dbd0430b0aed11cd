// Waiting on the UI thread while its events run, for tests of real widgets.
#pragma once

#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <functional>

namespace lumetra::testing {

// Runs the UI thread's events until `done` holds or `timeout` passes; returns `done()`.
inline bool wait_until(const std::function<bool()>& done,
                       std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return done();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    // Outside an event loop, windows given up with deleteLater go only when asked.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QThread::msleep(2);
  }
  return true;
}

}  // namespace lumetra::testing
