// The Selected games window: a scan fills its list, a row chosen shows its game on the
// board, and the table sorts and filters. With KELVANE_SCREENSHOT set, the window is saved
// there as a picture.
#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <filesystem>

#include "app/board_view.h"
#include "app/game_list_model.h"
#include "app/game_list_window.h"
#include "app/qt_dialogs.h"
#include "app_main_window_fixture.h"
#include "app_modal.h"
#include "engine/fen.h"

using namespace kelvane;

namespace {

class GameListTest : public MainWindowTest {
 protected:
  GameListWindow& ScanClassicsAndShowList() {
    WriteFile(dir / "in.pgn", ReadFile(SourcePath("samples/classics.pgn")));
    MainWindow& f = StartActive();
    ui.run->click();
    WaitForScan();
    auto* show = f.findChild<QAction*>("SelectedGames1");
    EXPECT_NE(show, nullptr);
    show->trigger();
    auto* window = f.findChild<GameListWindow*>("SelectedGames");
    EXPECT_NE(window, nullptr);
    return *window;
  }
};

TEST_F(GameListTest, AScanFillsTheListAndARowShowsItsGameOnTheBoard) {
  GameListWindow& w = ScanClassicsAndShowList();
  QTableView* table = w.table();
  QAbstractItemModel* model = table->model();
  ASSERT_EQ(model->rowCount(), 36);
  EXPECT_EQ(model->headerData(10, Qt::Horizontal).toString().toStdString(), "Matched at");
  EXPECT_EQ(model->index(2, 1).data().toString().toStdString(), "Morphy, Paul");
  EXPECT_EQ(model->index(2, 9).data().toString().toStdString(), "33");

  // The row chosen with the keyboard: its moves and its board, stepped with the keys.
  table->setFocus();
  table->setCurrentIndex(model->index(2, 0));
  QTest::keyClick(table, Qt::Key_Return);
  ASSERT_EQ(w.shownMoves().plies.size(), 33u);
  EXPECT_EQ(w.shownPly(), 0);
  EXPECT_EQ(WriteFen(w.board()->board()), WriteFen(Board::Start()));
  w.board()->setFocus();
  QTest::keyClick(w.board(), Qt::Key_End);
  EXPECT_EQ(w.shownPly(), 33);
  QTest::keyClick(w.board(), Qt::Key_Left);
  EXPECT_EQ(w.shownPly(), 32);
  EXPECT_EQ(WriteFen(w.board()->board()), WriteFen(w.shownMoves().positions[32]));
  auto* moves = w.findChild<QListWidget*>("GameMoves");
  moves->setCurrentRow(5);
  EXPECT_EQ(w.shownPly(), 5);
  EXPECT_EQ(moves->item(5)->text().toStdString(), w.shownMoves().labels[4]);

  // Sorting by White, then narrowing to one player.
  table->sortByColumn(1, Qt::AscendingOrder);
  for (int row = 1; row < model->rowCount(); ++row)
    EXPECT_LE(model->index(row - 1, 1).data().toString().toLower(),
              model->index(row, 1).data().toString().toLower());
  w.findChild<QLineEdit*>("GameFilter")->setText("morphy");
  ASSERT_GT(model->rowCount(), 0);
  for (int row = 0; row < model->rowCount(); ++row) {
    const QString players =
        model->index(row, 1).data().toString() + model->index(row, 2).data().toString();
    EXPECT_TRUE(players.contains("Morphy")) << players.toStdString();
  }

  // The end-of-scan report's button shows the list again.
  w.hide();
  WhenModal([](QWidget* box) {
    QAbstractButton* shown = nullptr;
    for (QPushButton* b : box->findChildren<QPushButton*>())
      if (b->text() == "Selected &games") shown = b;
    if (!shown) shown = qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok);
    shown->click();  // without the button, OK: the test fails rather than wait
  });
  QtDialogs().ShowReport("36 games read from in.pgn");
  EXPECT_TRUE(w.isVisible());
}

TEST_F(GameListTest, AChosenGameOpensAtTheMoveWhereTheCriteriaWereMet) {
  Seed([](Settings& s) {
    s.criteria.mustContain = "1.e4 e5 2.Nf3";
    s.criteria.mustContainRange = {1, 2};
  });
  GameListWindow& w = ScanClassicsAndShowList();
  QTableView* table = w.table();
  QAbstractItemModel* model = table->model();
  ASSERT_GT(model->rowCount(), 1);
  EXPECT_EQ(model->index(1, 10).data().toString().toStdString(), "2.Nf3");
  table->setCurrentIndex(model->index(1, 0));
  EXPECT_EQ(w.shownPly(), 3);
  EXPECT_EQ(WriteFen(w.board()->board()),
            "rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2");
  if (const char* shot = std::getenv("KELVANE_SCREENSHOT")) {
    if (!std::getenv("KELVANE_SCREENSHOT_DEFAULT_SIZE")) w.resize(1360, 600);
    table->setCurrentIndex(model->index(4, 0));
    w.show();
    QTest::qWait(300);
    w.grab().save(QString::fromUtf8(shot));
  }
}

TEST_F(GameListTest, OpenInEditorStartsOutputEditorOneAtTheChosenGamesLine) {
  // Output editor 1 is a script named as an editor that takes "+line": it writes what it got.
  const std::string editor = dir / "vi";
  WriteFile(editor, "#!/bin/sh\necho \"$@\" > '" + (dir / "args.new") + "'\nmv '" +
                        (dir / "args.new") + "' '" + (dir / "args") + "'\n");
  std::filesystem::permissions(editor, std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  Seed([&](Settings& s) { s.editors[0] = editor; });
  GameListWindow& w = ScanClassicsAndShowList();
  w.table()->setCurrentIndex(w.table()->model()->index(2, 0));
  w.findChild<QPushButton*>("OpenInEditor")->click();
  for (int waited = 0; waited < 5000 && !std::filesystem::exists(dir / "args"); waited += 20)
    QTest::qWait(20);
  // The third game's line in the output: the lines before its first tag, plus one.
  const std::string output = ReadFile(dir / "out.pgn");
  size_t third = 0;
  for (int game = 0; game < 3; ++game) third = output.find("[Event ", game ? third + 1 : 0);
  const auto line =
      std::count(output.begin(), output.begin() + static_cast<ptrdiff_t>(third), '\n') + 1;
  EXPECT_EQ(ReadFile(dir / "args"), "+" + std::to_string(line) + " " + (dir / "out.pgn") + "\n");
}

TEST(EditorArgumentsTest, EachEditorIsGivenTheLineItsOwnWay) {
  const struct {
    const char* editor;
    std::vector<std::string> arguments;
  } cases[] = {
      {"/usr/bin/vim", {"+12", "/d/out.pgn"}},
      {"/usr/bin/kate", {"--line", "12", "/d/out.pgn"}},
      {"/usr/bin/code", {"--goto", "/d/out.pgn:12"}},
      {"/opt/editor/mousepad", {"/d/out.pgn"}},  // no known way: the file alone
  };
  for (const auto& c : cases)
    EXPECT_EQ(EditorArguments(c.editor, "/d/out.pgn", 12), c.arguments) << c.editor;
}

}  // namespace
