// A small board beside a field that takes a position as FEN: while the field has the focus
// and its text reads as a position, the board shows it, so that the user sees what was
// typed or pasted.
#pragma once

#include <QObject>
#include <QPointer>

class QLineEdit;

namespace kelvane {

class BoardView;

class PositionPreview : public QObject {
 public:
  explicit PositionPreview(QLineEdit* field);
  ~PositionPreview() override;
  // The board, while it is shown; null otherwise (for tests).
  BoardView* shownBoard() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void update();

  QLineEdit* field_;
  QPointer<BoardView> board_;  // a tool window of its own, above the field's end
};

}  // namespace kelvane
