// The main window's part in the Selected games window: the View menu item that shows it,
// the list that every scan fills, and opening a game in output editor 1.
#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

#include "app/game_list_model.h"
#include "app/game_list_window.h"
#include "app/main_window.h"
#include "app/qt_dialogs.h"
#include "platform/file_system.h"
#include "platform/launcher.h"
#include "text/path_parts.h"

namespace kelvane {

void MainWindow::buildGameList() {
  gameList_ = new GameListModel(this);
  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  view->setObjectName(QStringLiteral("View1"));
  selectedGamesAction_ = view->addAction(QStringLiteral("&Selected games"));
  selectedGamesAction_->setObjectName(QStringLiteral("SelectedGames1"));
  selectedGamesAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
  connect(selectedGamesAction_, &QAction::triggered, this, guarded([this] { showGameList(); }));
  // The end-of-scan report offers the list too.
  SetReportButton(QStringLiteral("Selected &games"), [window = QPointer<MainWindow>(this)] {
    if (window) window->showGameList();
  });
}

void MainWindow::showGameList() {
  if (!gameListWindow_)
    gameListWindow_ = new GameListWindow(
        *gameList_, [this](const std::string& path, int64_t line) { openGameInEditor(path, line); },
        this);
  gameListWindow_->show();
  gameListWindow_->raise();
  gameListWindow_->activateWindow();
}

void MainWindow::startGameList(const std::string& outputPath) {
  gameListOutput_ = outputPath;
  gameList_->reset();
}

void MainWindow::endGameList(bool outputWritten) {
  if (!outputWritten) {
    gameList_->reset();
    return;
  }
  gameList_->takeQueued();
  gameList_->finish(gameListOutput_);
}

void MainWindow::openGameInEditor(const std::string& path, int64_t line) {
  std::string& editor = settings_.editors[0];
  if (!fileSystem().FileExists(editor)) {
    if (!askForEditor(1, editor)) return;
    controlsToSettings();
    SaveSettings(settings_, settingsPath_);
  }
  const std::string dir = DirectoryPart(path);
  if (const int code = StartDetached(editor, EditorArguments(editor, path, line), dir); code != 0)
    dialogs().ShowMessage(StartFailureMessage(editor, code));
}

}  // namespace kelvane
