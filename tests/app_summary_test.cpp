// The Summary window: a scan fills it (from the View menu and from the report), and its
// charts keep their labels apart and inside at any font and width. With
// KELVANE_SUMMARY_SCREENSHOT set, the window after a scan of KELVANE_SUMMARY_INPUT (default:
// the file of the test) is saved there as a picture.
#include <QAction>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include "app/qt_dialogs.h"
#include "app/summary_chart.h"
#include "app/summary_window.h"
#include "app_main_window_fixture.h"
#include "app_modal.h"
#include "engine/selection_summary.h"

using namespace kelvane;

namespace {

class SummaryTest : public MainWindowTest {
 protected:
  SummaryWindow& ScanAndShowSummary(const std::string& input) {
    WriteFile(dir / "in.pgn", ReadFile(input));
    MainWindow& f = StartActive();
    ui.run->click();
    WaitForScan();
    auto* show = f.findChild<QAction*>("Summary1");
    EXPECT_NE(show, nullptr);
    show->trigger();
    auto* window = f.findChild<SummaryWindow*>("Summary");
    EXPECT_NE(window, nullptr);
    return *window;
  }
};

std::vector<qint64> Values(const SummaryChart& chart) {
  std::vector<qint64> values;
  for (const SummaryChart::Bar& bar : chart.bars()) values.push_back(bar.value);
  return values;
}

TEST_F(SummaryTest, AScanFillsTheSummaryShownFromTheMenuAndFromTheReport) {
  SummaryWindow& w = ScanAndShowSummary(SourcePath("tests/data/summary_games.pgn"));
  const QString figures = w.figuresText();
  EXPECT_TRUE(figures.contains("<b>6 games</b> written to out.pgn")) << figures.toStdString();
  EXPECT_TRUE(figures.contains(QString::fromUtf8("M\xC3\xBCller, H"))) << figures.toStdString();
  EXPECT_EQ(Values(*w.resultsChart()), (std::vector<qint64>{2, 1, 2, 1}));
  EXPECT_EQ(w.yearsChart()->bars().size(), 13u);  // 1998 to 2010
  EXPECT_EQ(Values(*w.ratingsChart()), (std::vector<qint64>{1, 1, 0, 0, 2, 3}));

  // The report's button shows the window too.
  w.hide();
  WhenModal([](QWidget* box) {
    for (QPushButton* b : box->findChildren<QPushButton*>())
      if (b->text() == "S&ummary") b->click();
  });
  QtDialogs().ShowReport("6 games read from in.pgn");
  EXPECT_TRUE(w.isVisible());
}

TEST(SummaryChartTest, LabelsNeverOverlapAndStayInsideAtAnyFontAndWidth) {
  std::vector<SummaryChart::Bar> bars;
  for (int year = 1950; year <= 2026; ++year)
    bars.push_back({QString::number(year), year % 7, Qt::blue, false});
  for (const int points : {7, 12, 24})
    for (const int width : {160, 400, 1200}) {
      SCOPED_TRACE(std::to_string(points) + " pt, " + std::to_string(width) + " px");
      SummaryChart chart;
      QFont font = chart.font();
      font.setPointSize(points);
      chart.setFont(font);
      chart.setBars("Games by year", bars);
      chart.resize(width, chart.minimumSizeHint().height());
      const auto labels = chart.labelPlaces();
      ASSERT_FALSE(labels.empty());
      EXPECT_EQ(labels.front().bar, 0u);
      for (size_t k = 0; k < labels.size(); ++k) {
        EXPECT_TRUE(chart.rect().contains(labels[k].rect)) << k;
        if (k > 0) {
          EXPECT_LT(labels[k - 1].rect.right(), labels[k].rect.left()) << k;
        }
      }
      if (width == 1200 && points == 7) {
        EXPECT_GT(labels.size(), 10u);
      }
    }
}

TEST(SummaryWindowTest, ChartsStandSideBySideWhenTheFiguresFitElseInOneColumn) {
  SelectionSummary summary;
  ListedGame game;
  game.tags[static_cast<int>(ListColumn::White) - 1] = "A rather long name, Firstname";
  summary.Add(game);
  SummaryWindow w;
  w.setSummary(summary, "out.pgn");
  for (const int width : {1300, 420}) {
    w.resize(width, 500);
    w.show();
    QCoreApplication::processEvents();
    const bool sideBySide = w.resultsChart()->y() == w.ratingsChart()->y();
    EXPECT_EQ(sideBySide, width == 1300) << width;
    auto* scroll = w.findChild<QScrollArea*>();
    EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), 0) << width;
  }
}

TEST_F(SummaryTest, Screenshot) {
  const char* shot = std::getenv("KELVANE_SUMMARY_SCREENSHOT");
  if (!shot) GTEST_SKIP() << "KELVANE_SUMMARY_SCREENSHOT not set";
  const char* input = std::getenv("KELVANE_SUMMARY_INPUT");
  SummaryWindow& w = ScanAndShowSummary(input ? input : SourcePath("tests/data/summary_games.pgn"));
  w.raise();
  QTest::qWait(300);
  w.grab().save(QString::fromUtf8(shot));
}

}  // namespace
