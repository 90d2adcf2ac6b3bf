// A frame drawn as the style draws a line edit's, for a box of several lines that sits a
// pixel inside it. A text box's own frame loses sides at a fractional scale: its viewport's
// rounded rectangle reaches over the frame and paints it away.
#pragma once

#include <QWidget>

class QPlainTextEdit;

namespace kelvane {

class TextBoxFrame : public QWidget {
 public:
  explicit TextBoxFrame(QWidget* parent);
  // The box inside the frame: frameless, filling it but for the frame and a pixel.
  QPlainTextEdit* box() const { return box_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPlainTextEdit* box_;
};

}  // namespace kelvane
