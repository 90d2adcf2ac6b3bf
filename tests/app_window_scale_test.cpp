// The windows at one and a half times the normal scale, where pixel rounding shows: every
// visible widget lies whole inside its parent.
#include <QScrollArea>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/about_dialog.h"
#include "app/editor_chooser.h"
#include "app/help_viewer.h"
#include "app/progress_dialog.h"
#include "app/summary_window.h"
#include "app_main_window_fixture.h"

namespace kelvane {
namespace {

// Set before the program's one application is made, which reads it.
const bool kScaled = (qputenv("QT_SCALE_FACTOR", "1.5"), true);

// The visible widgets under window that reach outside their parent, with their places.
std::vector<std::string> OutsideTheirParents(QWidget& window) {
  std::vector<std::string> found;
  for (QWidget* w : window.findChildren<QWidget*>()) {
    if (!w->isVisible() || w->isWindow()) continue;
    // What a scroll area shows may be larger than its viewport: it scrolls.
    if (auto* area = qobject_cast<QScrollArea*>(w->parentWidget()->parentWidget());
        area && area->widget() == w)
      continue;
    if (w->parentWidget()->rect().contains(w->geometry())) continue;
    const QRect g = w->geometry();
    found.push_back(std::string(w->metaObject()->className()) + " " +
                    w->objectName().toStdString() + " at " + std::to_string(g.x()) + "," +
                    std::to_string(g.y()) + " " + std::to_string(g.width()) + "x" +
                    std::to_string(g.height()) + " in " +
                    std::to_string(w->parentWidget()->width()) + "x" +
                    std::to_string(w->parentWidget()->height()));
  }
  return found;
}

TEST_F(MainWindowTest, EveryWindowHoldsItsWidgetsWhole) {
  ASSERT_TRUE(kScaled);
  MainWindow& main = Start();
  std::vector<std::pair<const char*, std::function<std::unique_ptr<QWidget>()>>> windows = {
      {"main window", nullptr},
      {"About", [&] { return std::make_unique<AboutDialog>(&main); }},
      {"editor chooser", [&] { return std::make_unique<EditorChooserDialog>(&main); }},
      {"help", [&] { return std::make_unique<HelpViewer>(&main); }},
      {"progress with Split", [&] { return std::make_unique<ProgressDialog>(&main, true); }},
      {"summary", [&] { return std::make_unique<SummaryWindow>(&main); }},
  };
  main.show();
  ASSERT_EQ(main.devicePixelRatioF(), 1.5);
  for (auto& [name, make] : windows) {
    SCOPED_TRACE(name);
    std::unique_ptr<QWidget> dialog = make ? make() : nullptr;
    QWidget& window = dialog ? *dialog : main;
    window.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(OutsideTheirParents(window), std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace kelvane
