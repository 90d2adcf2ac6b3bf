#include "app/summary_chart.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "app/design_pixels.h"

namespace kelvane {

namespace {
// The room between the parts of the chart, at 96 dpi.
constexpr int kGap = 6;
}  // namespace

SummaryChart::SummaryChart(QWidget* parent) : QWidget(parent) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void SummaryChart::setBars(const QString& title, std::vector<Bar> bars) {
  title_ = title;
  bars_ = std::move(bars);
  setAccessibleName(title);
  updateGeometry();
  update();
}

qint64 SummaryChart::largest() const {
  qint64 most = 0;
  for (const Bar& bar : bars_) most = std::max(most, bar.value);
  return most;
}

QRect SummaryChart::plotArea() const {
  const QFontMetrics fm = fontMetrics();
  const int gap = DesignPixels(this, kGap);
  // Left: the scale's number; top: the title and the counts above the bars; bottom: labels.
  const int left = gap + fm.horizontalAdvance(QString::number(largest())) + gap;
  const int top = gap + 2 * fm.height() + gap;
  const int bottom = height() - gap - fm.height() - gap;
  return QRect(QPoint(left, top), QPoint(width() - gap - 1, std::max(top, bottom)));
}

std::vector<SummaryChart::Label> SummaryChart::labelPlaces() const {
  std::vector<Label> places;
  if (bars_.empty()) return places;
  const QFontMetrics fm = fontMetrics();
  const QRect area = plotArea();
  const double slot = static_cast<double>(area.width()) / static_cast<double>(bars_.size());
  int widest = 0;
  for (const Bar& bar : bars_) widest = std::max(widest, fm.horizontalAdvance(bar.label));
  // Every stride-th label, so that each has its width and a gap.
  const int room = widest + DesignPixels(this, kGap);
  const auto stride = static_cast<size_t>(std::max(1.0, std::ceil(room / std::max(slot, 1.0))));
  for (size_t k = 0; k < bars_.size(); k += stride) {
    const int middle = area.left() + static_cast<int>((static_cast<double>(k) + 0.5) * slot);
    const int w = fm.horizontalAdvance(bars_[k].label);
    QRect rect(middle - w / 2, area.bottom() + DesignPixels(this, kGap), w, fm.height());
    // A label at either end stays inside the chart.
    if (rect.left() < 0) rect.moveLeft(0);
    if (rect.right() >= width()) rect.moveRight(width() - 1);
    if (!places.empty() && rect.left() <= places.back().rect.right()) continue;
    places.push_back({k, rect});
  }
  return places;
}

QSize SummaryChart::sizeHint() const {
  const int lines = 3 * fontMetrics().height();
  return QSize(DesignPixels(this, 360), lines + DesignPixels(this, 150));
}

QSize SummaryChart::minimumSizeHint() const {
  const int lines = 3 * fontMetrics().height();
  return QSize(DesignPixels(this, 220), lines + DesignPixels(this, 70));
}

void SummaryChart::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing, false);
  const QFontMetrics fm = fontMetrics();
  const int gap = DesignPixels(this, kGap);
  const QColor ink = palette().color(QPalette::WindowText);
  QFont bold = font();
  bold.setBold(true);
  p.setFont(bold);
  p.setPen(ink);
  p.drawText(QRect(gap, gap, width() - 2 * gap, fm.height()), Qt::AlignLeft | Qt::AlignVCenter,
             QFontMetrics(bold).elidedText(title_, Qt::ElideRight, width() - 2 * gap));
  p.setFont(font());

  const qint64 most = largest();
  const QRect area = plotArea();
  if (bars_.empty() || most == 0) {
    p.drawText(area, Qt::AlignCenter, QStringLiteral("No games"));
    return;
  }
  // The scale: the largest count at the top, a light line across, the base line.
  QColor light = ink;
  light.setAlpha(60);
  p.setPen(light);
  p.drawLine(area.left(), area.top(), area.right(), area.top());
  p.setPen(ink);
  p.drawText(QRect(0, area.top() - fm.height() / 2, area.left() - gap, fm.height()),
             Qt::AlignRight | Qt::AlignVCenter, QString::number(most));
  p.drawLine(area.left(), area.bottom(), area.right(), area.bottom());

  const double slot = static_cast<double>(area.width()) / static_cast<double>(bars_.size());
  const int barWidth = std::max(1, static_cast<int>(slot * 0.75));
  for (size_t k = 0; k < bars_.size(); ++k) {
    const Bar& bar = bars_[k];
    const int middle = area.left() + static_cast<int>((static_cast<double>(k) + 0.5) * slot);
    const int h = static_cast<int>(static_cast<double>(area.height()) *
                                   static_cast<double>(bar.value) / static_cast<double>(most));
    const QRect rect(middle - barWidth / 2, area.bottom() - h, barWidth, h);
    if (h > 0) {
      p.fillRect(rect, bar.color);
      if (bar.hatched) p.fillRect(rect, QBrush(ink, Qt::BDiagPattern));
      if (barWidth >= 4) {
        p.setPen(ink);
        p.drawRect(rect.adjusted(0, 0, -1, 0));
      }
    }
    const QString count = QString::number(bar.value);
    if (fm.horizontalAdvance(count) <= slot)
      p.drawText(QRect(middle - static_cast<int>(slot / 2), rect.top() - fm.height(),
                       static_cast<int>(slot), fm.height()),
                 Qt::AlignHCenter | Qt::AlignBottom, count);
  }
  p.setPen(ink);
  for (const Label& label : labelPlaces())
    p.drawText(label.rect, Qt::AlignCenter, bars_[label.bar].label);
}

}  // namespace kelvane
