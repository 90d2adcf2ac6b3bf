// The Summary window: the figures of the games the last scan wrote (results, White's score,
// years, ratings, length, time classes, players, openings) beside charts of the results, the
// years and the ratings.
#pragma once

#include <QWidget>

class QGridLayout;
class QLabel;
class QScrollArea;

namespace kelvane {

class SelectionSummary;
class SummaryChart;

class SummaryWindow : public QWidget {
  Q_OBJECT
 public:
  explicit SummaryWindow(QWidget* parent = nullptr);
  // Shows the figures of summary, of the games written to output (a file name).
  void setSummary(const SelectionSummary& summary, const QString& output);

  // The figures' texts (rich text), one after the other.
  QString figuresText() const;
  SummaryChart* resultsChart() const { return results_; }
  SummaryChart* yearsChart() const { return years_; }
  SummaryChart* ratingsChart() const { return ratings_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The charts side by side above three columns of figures, or all in one column.
  void arrange(bool wide);
  // Whether the three columns fit in the window's width.
  bool fitsWide() const;

  QGridLayout* grid_;
  QScrollArea* scroll_;
  bool wide_ = false;
  // The figures in three columns: the results, years, ratings and length; the time classes
  // and openings; the players.
  QLabel* general_;
  QLabel* classes_;
  QLabel* players_;
  SummaryChart* results_;
  SummaryChart* years_;
  SummaryChart* ratings_;
};

}  // namespace kelvane
