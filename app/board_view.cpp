#include "app/board_view.h"

#include <QPainter>
#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

#include "app/design_pixels.h"

namespace kelvane {

namespace {

// Light and dark squares far enough apart for any eye, and the pieces' two colours.
const QColor kLightSquare(240, 217, 181);
const QColor kDarkSquare(166, 120, 82);
const QColor kWhitePiece(255, 255, 255);
const QColor kBlackPiece(20, 20, 20);

// The solid figure of each piece type: the same shape for both colours, filled differently.
QChar Figure(PieceType type) {
  switch (type) {
    case kKing:
      return QChar(0x265A);
    case kQueen:
      return QChar(0x265B);
    case kRook:
      return QChar(0x265C);
    case kBishop:
      return QChar(0x265D);
    case kKnight:
      return QChar(0x265E);
    case kPawn:
      return QChar(0x265F);
    default:
      return QChar();
  }
}

}  // namespace

BoardView::BoardView(QWidget* parent) : QWidget(parent) {
  QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
}

void BoardView::setBoard(const Board& board) {
  board_ = board;
  update();
}

void BoardView::setFlipped(bool flipped) {
  flipped_ = flipped;
  update();
}

QSize BoardView::sizeHint() const {
  return DesignSize(this, 160, 160);
}

void BoardView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const int side = std::min(width(), height());
  const qreal square = side / 8.0;
  const QPointF origin((width() - side) / 2.0, (height() - side) / 2.0);
  // The figures' font, sized so that the king's figure fills most of a square.
  // DejaVu Sans draws every figure alike; another font's figures may differ in weight.
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(100);
  const QRectF king = QFontMetricsF(font).tightBoundingRect(QString(Figure(kKing)));
  font.setPixelSize(std::max(1, qRound(100 * 0.82 * square / std::max(king.width(), king.height()))));
  painter.setFont(font);
  const QRectF figure = QFontMetricsF(font).tightBoundingRect(QString(Figure(kKing)));
  // drawText centres the glyph's advance box; this moves its ink to the square's centre.
  const qreal ascent = QFontMetricsF(font).ascent(), descent = QFontMetricsF(font).descent();
  QPointF offset(0, (ascent - descent) / 2 - (-figure.center().y()));
  const qreal edgeWidth = std::max(1.0, square / 28);
  for (int rank = 0; rank < 8; ++rank) {
    for (int file = 0; file < 8; ++file) {
      const int column = flipped_ ? 7 - file : file;
      const int row = flipped_ ? rank : 7 - rank;
      const QRectF place(origin.x() + column * square, origin.y() + row * square, square, square);
      painter.fillRect(place, (file + rank) % 2 ? kLightSquare : kDarkSquare);
      const Piece piece = board_.PieceOn(MakeSquare(file, rank));
      if (piece == kNoPiece) continue;
      // The solid figure in the piece's colour, edged all round in the other colour so that
      // it reads on both squares.
      const PieceType type = TypeOf(piece);
      const bool white = ColorOf(piece) == kWhite;
      const QString text(Figure(type));
      painter.setPen(white ? kBlackPiece : kWhitePiece);
      for (int step = 0; step < 8; ++step) {
        const qreal angle = step * 3.14159265 / 4;
        const QPointF edge(edgeWidth * std::cos(angle), edgeWidth * std::sin(angle));
        painter.drawText(place.translated(offset + edge), Qt::AlignCenter, text);
      }
      painter.setPen(white ? kWhitePiece : kBlackPiece);
      painter.drawText(place.translated(offset), Qt::AlignCenter, text);
    }
  }
}

}  // namespace kelvane
