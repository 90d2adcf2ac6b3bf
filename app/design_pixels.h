// The windows are laid out in pixels at 96 dpi; a measure from that layout becomes the
// same length on the screen the widget is on.
#pragma once

#include <QRect>
#include <QSize>
#include <QWidget>

namespace kelvane {

// A measure given at 96 dpi, in pixels of this widget's screen.
inline int DesignPixels(const QWidget* widget, int designPixels) {
  return qRound(designPixels * widget->logicalDpiX() / 96.0);
}

// A size given at 96 dpi, in pixels of this widget's screen.
inline QSize DesignSize(const QWidget* widget, int width, int height) {
  return QSize(DesignPixels(widget, width), DesignPixels(widget, height));
}

// A rectangle given at 96 dpi, in pixels of this widget's screen.
inline QRect DesignRect(const QWidget* widget, int left, int top, int width, int height) {
  return QRect(DesignPixels(widget, left), DesignPixels(widget, top), DesignPixels(widget, width),
               DesignPixels(widget, height));
}

}  // namespace kelvane
