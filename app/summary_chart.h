// A bar chart painted with QPainter: a title, one bar per value with its count above it when
// the count fits, a scale of the largest count, and labels below, thinned out so that they
// never overlap whatever the font and the width.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <vector>

namespace kelvane {

class SummaryChart : public QWidget {
  Q_OBJECT
 public:
  struct Bar {
    QString label;
    qint64 value = 0;
    QColor color;
    bool hatched = false;  // drawn with a diagonal pattern
  };
  explicit SummaryChart(QWidget* parent = nullptr);
  void setBars(const QString& title, std::vector<Bar> bars);
  const QString& title() const { return title_; }
  const std::vector<Bar>& bars() const { return bars_; }
  // Where the labels are drawn at the chart's present size and font: the bar each one
  // names, and its rectangle.
  struct Label {
    size_t bar;
    QRect rect;
  };
  std::vector<Label> labelPlaces() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // The rectangle the bars stand in.
  QRect plotArea() const;
  qint64 largest() const;

  QString title_;
  std::vector<Bar> bars_;
};

}  // namespace kelvane
