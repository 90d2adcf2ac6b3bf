#include "app/summary_window.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/design_pixels.h"
#include "app/summary_chart.h"
#include "engine/selection_summary.h"

namespace kelvane {

namespace {

QString Html(const std::string& utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toHtmlEscaped();
}

QString Percent(std::optional<double> value) {
  return value ? QString::number(*value, 'f', 1) + QLatin1Char('%') : QStringLiteral("-");
}

// A table row of cells; cells after the first are numbers, aligned right.
QString Row(const QStringList& cells) {
  QString row = QStringLiteral("<tr>");
  for (qsizetype k = 0; k < cells.size(); ++k)
    row += (k == 0 ? QStringLiteral("<td>") : QStringLiteral("<td align=\"right\">")) + cells[k] +
           QStringLiteral("</td>");
  return row + QStringLiteral("</tr>");
}

QString Table(const QString& heading, const QString& rows) {
  return QStringLiteral("<p><b>%1</b></p><table cellspacing=\"0\" cellpadding=\"3\">%2</table>")
      .arg(heading, rows);
}

std::vector<SummaryChart::Bar> Histogram(const std::vector<SummaryBar>& bars) {
  std::vector<SummaryChart::Bar> chart;
  for (const SummaryBar& bar : bars)
    chart.push_back({QString::fromStdString(bar.label), bar.games, QColor(70, 120, 180), false});
  return chart;
}

}  // namespace

SummaryWindow::SummaryWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("Summary"));
  setWindowTitle(QStringLiteral("Summary"));
  results_ = new SummaryChart;
  results_->setObjectName(QStringLiteral("ResultsChart"));
  years_ = new SummaryChart;
  years_->setObjectName(QStringLiteral("YearsChart"));
  ratings_ = new SummaryChart;
  ratings_->setObjectName(QStringLiteral("RatingsChart"));
  for (QLabel** label : {&general_, &classes_, &players_}) {
    *label = new QLabel;
    (*label)->setTextFormat(Qt::RichText);
    (*label)->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    (*label)->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  }
  // The charts and the figures, in three columns or in one (arrange); the whole scrolls.
  auto* content = new QWidget;
  grid_ = new QGridLayout(content);
  grid_->setHorizontalSpacing(DesignPixels(this, 24));
  scroll_ = new QScrollArea;
  scroll_->setWidget(content);
  scroll_->setWidgetResizable(true);
  scroll_->setFrameShape(QFrame::NoFrame);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(scroll_);
  arrange(true);
  QSize size = DesignSize(this, 960, 680);
  if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
    size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
  resize(size);
}

void SummaryWindow::arrange(bool wide) {
  wide_ = wide;
  SummaryChart* charts[] = {results_, years_, ratings_};
  QLabel* labels[] = {general_, classes_, players_};
  for (int k = 0; k < 3; ++k) {
    grid_->removeWidget(charts[k]);
    grid_->removeWidget(labels[k]);
    // One under the other, each chart keeps the height it asks for.
    charts[k]->setMinimumHeight(wide ? 0 : charts[k]->sizeHint().height());
    grid_->addWidget(charts[k], wide ? 0 : k, wide ? k : 0);
    grid_->addWidget(labels[k], wide ? 1 : 3 + k, wide ? k : 0);
  }
  for (int row = 0; row < 6; ++row) grid_->setRowStretch(row, wide && row == 0 ? 1 : 0);
  for (int column = 0; column < 3; ++column)
    grid_->setColumnStretch(column, wide || column == 0 ? 1 : 0);
}

bool SummaryWindow::fitsWide() const {
  int width = 2 * grid_->horizontalSpacing();
  for (const QLabel* w : {general_, classes_, players_}) width += w->sizeHint().width();
  const QMargins margins = grid_->contentsMargins();
  width = std::max(width, 3 * results_->minimumSizeHint().width() + 2 * grid_->horizontalSpacing());
  // The window's width, less a scroll bar's (the viewport's own is not laid out before the
  // window is first shown).
  return this->width() - scroll_->verticalScrollBar()->sizeHint().width() >=
         width + margins.left() + margins.right();
}

void SummaryWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (fitsWide() != wide_) arrange(!wide_);
}

QString SummaryWindow::figuresText() const {
  return general_->text() + classes_->text() + players_->text();
}

void SummaryWindow::setSummary(const SelectionSummary& s, const QString& output) {
  const qint64 games = s.Games();
  QString html = QStringLiteral("<p><b>%1 %2</b> written to %3</p>")
                     .arg(games)
                     .arg(games == 1 ? QStringLiteral("game") : QStringLiteral("games"))
                     .arg(output.toHtmlEscaped());

  static const QString kResults[] = {QStringLiteral("1-0"), QStringLiteral("\u00BD-\u00BD"),
                                     QStringLiteral("0-1"), QStringLiteral("*")};
  static const QColor kColors[] = {QColor(245, 245, 240), QColor(150, 150, 150), QColor(45, 45, 45),
                                   QColor(200, 215, 235)};
  QString rows;
  std::vector<SummaryChart::Bar> results;
  for (size_t k = 0; k < s.Results().size(); ++k) {
    const int64_t n = s.Results()[k];
    rows += Row({kResults[k], QString::number(n),
                 Percent(games ? std::optional<double>(100.0 * static_cast<double>(n) /
                                                       static_cast<double>(games))
                               : std::nullopt)});
    results.push_back({kResults[k], n, kColors[k], k == 3});
  }
  rows += Row({QStringLiteral("White's score"), QString(), Percent(s.WhiteScore())});
  html += Table(QStringLiteral("Results"), rows);

  QString years = QStringLiteral("none");
  if (s.FirstYear()) years = QStringLiteral("%1 to %2").arg(*s.FirstYear()).arg(*s.LastYear());
  const auto average = s.AverageRating();
  const auto moves = s.AverageMoves();
  html += QStringLiteral(
              "<p>Years: %1 (without a year: %2)<br>Ratings: %3 in %4 games, average %5<br>"
              "Average length: %6 moves</p>")
              .arg(years)
              .arg(s.WithoutYear())
              .arg(s.Ratings())
              .arg(s.RatedGames())
              .arg(average ? QString::number(*average, 'f', 1) : QStringLiteral("-"))
              .arg(moves ? QString::number(*moves, 'f', 1) : QStringLiteral("-"));

  general_->setText(html);
  html.clear();
  rows.clear();
  for (size_t k = 0; k < s.TimeClasses().size(); ++k)
    rows += Row({QString::fromLatin1(kSummaryTimeClasses[k]), QString::number(s.TimeClasses()[k])});
  html += Table(QStringLiteral("Time classes"), rows);
  rows.clear();
  for (const SelectionSummary::Opening& o : s.TopOpenings())
    rows += Row({Html(o.name), QString::number(o.games)});
  html += Table(QStringLiteral("ECO codes and openings"), rows);
  classes_->setText(html);

  rows = Row({QStringLiteral("<i>Player</i>"), QStringLiteral("<i>Games</i>"),
              QStringLiteral("<i>+</i>"), QStringLiteral("<i>=</i>"),
              QStringLiteral("<i>\u2212</i>"), QStringLiteral("<i>Score</i>")});
  for (const PlayerFigures& p : s.TopPlayers())
    rows += Row({Html(p.name), QString::number(p.games), QString::number(p.wins),
                 QString::number(p.draws), QString::number(p.losses), Percent(p.Score())});
  players_->setText(Table(QStringLiteral("Players with the most games"), rows));

  results_->setBars(QStringLiteral("Results"), std::move(results));
  years_->setBars(
      s.ByDecade() ? QStringLiteral("Games by decade") : QStringLiteral("Games by year"),
      Histogram(s.YearBars()));
  ratings_->setBars(QStringLiteral("Ratings in bands of 100"), Histogram(s.RatingBars()));
  // The figures' widths decide whether three columns fit.
  if (fitsWide() != wide_) arrange(!wide_);
}

}  // namespace kelvane
