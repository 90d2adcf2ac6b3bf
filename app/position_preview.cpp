#include "app/position_preview.h"

#include <QEvent>
#include <QLineEdit>
#include <algorithm>
#include <string>

#include "app/board_view.h"
#include "app/design_pixels.h"
#include "engine/fen.h"

namespace kelvane {

namespace {

// The position of a FEN that may stop after its placement or its side to move; false when
// it does not read as one.
bool ReadPosition(const std::string& text, Board& board) {
  const size_t fields = text.empty() ? 0 : 1 + std::count(text.begin(), text.end(), ' ');
  std::string fen = text;
  if (fields == 1) fen += " w - - 0 1";
  if (fields == 2) fen += " - - 0 1";
  return !text.empty() && ReadFen(fen, board).empty();
}

}  // namespace

PositionPreview::PositionPreview(QLineEdit* field) : QObject(field), field_(field) {
  field->installEventFilter(this);
  connect(field, &QLineEdit::textChanged, this, [this] { update(); });
}

PositionPreview::~PositionPreview() {
  delete board_;
}

BoardView* PositionPreview::shownBoard() const {
  return board_ && board_->isVisible() ? board_.data() : nullptr;
}

bool PositionPreview::eventFilter(QObject* watched, QEvent* event) {
  if (watched == field_ && (event->type() == QEvent::FocusIn ||
                            event->type() == QEvent::FocusOut || event->type() == QEvent::Hide))
    update();
  return QObject::eventFilter(watched, event);
}

void PositionPreview::update() {
  Board position;
  const std::string text = field_->text().simplified().toStdString();
  if (!field_->hasFocus() || !field_->isVisible() || !ReadPosition(text, position)) {
    if (board_) board_->hide();
    return;
  }
  if (!board_) {
    board_ = new BoardView(field_->window());
    board_->setWindowFlags(Qt::ToolTip);
    board_->setObjectName(QStringLiteral("PositionPreview"));
  }
  board_->setBoard(position);
  // Above the field's right end, where it hides neither the field nor its range.
  const int side = DesignPixels(field_, 144);
  board_->resize(side, side);
  const QPoint end = field_->mapToGlobal(QPoint(field_->width(), 0));
  board_->move(end - QPoint(side, side + DesignPixels(field_, 2)));
  board_->show();
}

}  // namespace kelvane
