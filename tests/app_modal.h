// Answers a modal dialog from inside its own event loop, for window tests.
#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>

namespace kelvane {

// Runs f on the modal dialog as soon as one is shown.
inline void WhenModal(std::function<void(QWidget*)> f) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, f] {
    if (QWidget* w = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      f(w);
    }
  });
  timer->start(5);
}

}  // namespace kelvane
