// The Selected games window: the list of the games a scan wrote (filled while it runs),
// with a filter box, and beside it the chosen game replayed on a board with its moves.
#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "engine/game_moves.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableView;

namespace kelvane {

class BoardView;
class GameListModel;

class GameListWindow : public QWidget {
  Q_OBJECT
 public:
  // openInEditor: opens a file at a line (1-based) in output editor 1.
  using EditorOpener = std::function<void(const std::string& path, int64_t line)>;
  GameListWindow(GameListModel& model, EditorOpener openInEditor, QWidget* parent = nullptr);

  // Shows the game of a row of the list at its matched move (or its start).
  void showGame(size_t listRow);
  // Shows the position after ply (0: the start) of the game shown.
  void showPly(int ply);
  int shownPly() const { return ply_; }
  const GameMoves& shownMoves() const { return moves_; }
  QTableView* table() const { return table_; }
  BoardView* board() const { return board_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void showCurrentRow();
  void updateCount();
  void copyFen();
  void copyPgn();
  void openEditor();

  GameListModel& model_;
  EditorOpener openInEditor_;
  QLineEdit* filter_;
  QLabel* count_;
  QTableView* table_;
  QLabel* title_;
  BoardView* board_;
  QListWidget* moveList_;
  QLabel* status_;
  QPushButton* flip_;
  QPushButton* copyFen_;
  QPushButton* copyPgn_;
  QPushButton* editor_;
  // The game shown.
  size_t row_ = static_cast<size_t>(-1);
  std::string game_;
  GameMoves moves_;
  int ply_ = 0;
};

// The line (1-based) of a file at which byte offset lies.
int64_t LineAtOffset(const std::string& path, uint64_t offset);
// The arguments that open file at line in editor: for editors known to take a line by
// their program's name ("+12 file" for vi, Vim, Emacs, nano, gedit ...; "--line 12 file" for
// Kate; "--goto file:12" for VS Code), else the file alone.
std::vector<std::string> EditorArguments(const std::string& editor, const std::string& file,
                                         int64_t line);

}  // namespace kelvane
