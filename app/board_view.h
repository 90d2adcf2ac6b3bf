// A chess board drawn by the program itself: light and dark squares and the pieces as the
// solid chess figures of DejaVu Sans, each in its colour and edged in the other, so that
// both colours read on both squares at any size.
#pragma once

#include <QWidget>

#include "engine/board.h"

namespace kelvane {

class BoardView : public QWidget {
 public:
  explicit BoardView(QWidget* parent = nullptr);
  void setBoard(const Board& board);
  const Board& board() const { return board_; }
  // Black at the bottom.
  void setFlipped(bool flipped);
  bool flipped() const { return flipped_; }

  QSize sizeHint() const override;
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override { return width; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Board board_ = Board::Start();
  bool flipped_ = false;
};

}  // namespace kelvane
