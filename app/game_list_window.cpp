#include "app/game_list_window.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>
#include <fstream>

#include "app/board_view.h"
#include "app/game_list_model.h"
#include "engine/fen.h"
#include "text/folded_text.h"

namespace kelvane {

namespace {
// The ply a "matched at" label names ("12...Nf6": ply 24), counted as the matcher counts,
// from the first move of the move text; 0 for an empty label.
int PlyOfLabel(std::string_view label) {
  int number = 0;
  size_t i = 0;
  for (; i < label.size() && label[i] >= '0' && label[i] <= '9'; ++i)
    number = std::min(10 * number + (label[i] - '0'), 1 << 20);
  if (number == 0 || i >= label.size()) return 0;
  return label.substr(i, 3) == "..." ? 2 * number : 2 * number - 1;
}
}  // namespace

int64_t LineAtOffset(const std::string& path, uint64_t offset) {
  std::ifstream in(path, std::ios::binary);
  int64_t line = 1;
  std::vector<char> buffer(1 << 16);
  uint64_t left = offset;
  while (left > 0 && in) {
    in.read(buffer.data(), static_cast<std::streamsize>(std::min<uint64_t>(left, buffer.size())));
    const auto got = static_cast<size_t>(in.gcount());
    if (got == 0) break;
    line += std::count(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got), '\n');
    left -= got;
  }
  return line;
}

std::vector<std::string> EditorArguments(const std::string& editor, const std::string& file,
                                         int64_t line) {
  std::string name = editor.substr(editor.find_last_of('/') + 1);
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0)
    name.resize(name.size() - 4);
  const std::string n = std::to_string(line);
  static const char* const kPlus[] = {"vi",     "vim",         "nvim",  "gvim",  "view", "nano",
                                      "emacs",  "emacsclient", "gedit", "pluma", "xed",  "joe",
                                      "mcedit", "kak",         "ne",    "jed"};
  for (const char* plus : kPlus)
    if (name == plus) return {"+" + n, file};
  if (name == "kate" || name == "kwrite") return {"--line", n, file};
  if (name == "code" || name == "codium") return {"--goto", file + ":" + n};
  return {file};
}

GameListWindow::GameListWindow(GameListModel& model, EditorOpener openInEditor, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model), openInEditor_(std::move(openInEditor)) {
  setObjectName(QStringLiteral("SelectedGames"));
  setWindowTitle(QStringLiteral("Selected games"));

  filter_ = new QLineEdit;
  filter_->setObjectName(QStringLiteral("GameFilter"));
  filter_->setPlaceholderText(
      QStringLiteral("Filter: text in White, Black, Result, Date, Event, "
                     "ECO, WhiteElo or BlackElo"));
  filter_->setClearButtonEnabled(true);
  count_ = new QLabel;
  table_ = new QTableView;
  table_->setObjectName(QStringLiteral("GameTable"));
  table_->setModel(&model_);
  table_->setSortingEnabled(true);
  table_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setWordWrap(false);
  table_->verticalHeader()->hide();
  // Rows of one height: the view then never measures millions of them.
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setTabKeyNavigation(false);
  // Widths in characters of the font in use, so that every scale keeps them readable.
  constexpr int kChars[kListColumns] = {8, 14, 14, 5, 11, 14, 4, 8, 8, 5, 9};
  const int charWidth = table_->fontMetrics().averageCharWidth();
  for (int column = 0; column < kListColumns; ++column)
    table_->horizontalHeader()->resizeSection(column, (kChars[column] + 2) * charWidth);

  auto* listPane = new QWidget;
  auto* listLayout = new QVBoxLayout(listPane);
  listLayout->setContentsMargins(0, 0, 0, 0);
  auto* filterRow = new QHBoxLayout;
  filterRow->addWidget(filter_, 1);
  filterRow->addWidget(count_);
  listLayout->addLayout(filterRow);
  listLayout->addWidget(table_, 1);

  title_ = new QLabel;
  title_->setWordWrap(true);
  title_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  board_ = new BoardView;
  board_->setObjectName(QStringLiteral("GameBoard"));
  board_->setFocusPolicy(Qt::StrongFocus);
  board_->setMinimumSize(160, 160);
  moveList_ = new QListWidget;
  moveList_->setObjectName(QStringLiteral("GameMoves"));
  moveList_->setFlow(QListView::LeftToRight);
  moveList_->setWrapping(true);
  moveList_->setResizeMode(QListView::Adjust);
  moveList_->setMinimumHeight(60);
  status_ = new QLabel;
  status_->setWordWrap(true);
  flip_ = new QPushButton(QStringLiteral("&Flip"));
  copyFen_ = new QPushButton(QStringLiteral("Copy F&EN"));
  copyPgn_ = new QPushButton(QStringLiteral("Copy &PGN"));
  editor_ = new QPushButton(QStringLiteral("Open in e&ditor"));
  editor_->setObjectName(QStringLiteral("OpenInEditor"));
  for (QPushButton* b : {flip_, copyFen_, copyPgn_, editor_}) b->setAutoDefault(false);

  auto* boardPane = new QWidget;
  auto* boardLayout = new QVBoxLayout(boardPane);
  boardLayout->setContentsMargins(0, 0, 0, 0);
  boardLayout->addWidget(title_);
  boardLayout->addWidget(board_, 3);
  boardLayout->addWidget(moveList_, 2);
  boardLayout->addWidget(status_);
  auto* buttons = new QGridLayout;
  buttons->addWidget(flip_, 0, 0);
  buttons->addWidget(copyFen_, 0, 1);
  buttons->addWidget(copyPgn_, 1, 0);
  buttons->addWidget(editor_, 1, 1);
  boardLayout->addLayout(buttons);

  auto* splitter = new QSplitter(Qt::Horizontal);
  splitter->addWidget(listPane);
  splitter->addWidget(boardPane);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 2);
  splitter->setChildrenCollapsible(false);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(splitter);

  setTabOrder(filter_, table_);
  setTabOrder(table_, board_);
  setTabOrder(board_, moveList_);

  connect(filter_, &QLineEdit::textChanged, this, [this](const QString& text) {
    model_.setFilter(text);
    updateCount();
  });
  connect(&model_, &GameListModel::rowsTaken, this, [this] { updateCount(); });
  connect(&model_, &QAbstractItemModel::modelReset, this, [this] { updateCount(); });
  connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this] { showCurrentRow(); });
  connect(table_, &QTableView::activated, this, [this] { showCurrentRow(); });
  connect(moveList_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0 && row != ply_) showPly(row);
  });
  connect(flip_, &QPushButton::clicked, this, [this] { board_->setFlipped(!board_->flipped()); });
  connect(copyFen_, &QPushButton::clicked, this, [this] { copyFen(); });
  connect(copyPgn_, &QPushButton::clicked, this, [this] { copyPgn(); });
  connect(editor_, &QPushButton::clicked, this, [this] { openEditor(); });
  // The moves step on the board and the move list; in the table the keys keep their use.
  board_->installEventFilter(this);
  moveList_->installEventFilter(this);
  updateCount();
  showPly(0);
  // As large as the font asks for, but within the screen.
  QSize size(table_->fontMetrics().averageCharWidth() * 150, table_->fontMetrics().height() * 36);
  if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
    size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
  resize(size);
}

bool GameListWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  const int key = static_cast<QKeyEvent*>(event)->key();
  const int last = static_cast<int>(moves_.positions.size()) - 1;
  const int target = key == Qt::Key_Left    ? ply_ - 1
                     : key == Qt::Key_Right ? ply_ + 1
                     : key == Qt::Key_Home  ? 0
                     : key == Qt::Key_End   ? last
                                            : -2;
  if (target == -2) return QWidget::eventFilter(watched, event);
  showPly(target);
  return true;
}

void GameListWindow::updateCount() {
  count_->setText(QStringLiteral("%1 of %2 games")
                      .arg(model_.rowCount())
                      .arg(static_cast<qulonglong>(model_.list().Size())));
}

void GameListWindow::showCurrentRow() {
  const QModelIndex current = table_->currentIndex();
  if (!current.isValid()) return;
  showGame(model_.listRow(current.row()));
}

void GameListWindow::showGame(size_t listRow) {
  row_ = listRow;
  game_ = model_.readGame(listRow);
  std::string_view header, moveText;
  SplitWrittenGame(game_, header, moveText);
  moves_ = game_.empty() ? GameMoves{} : ReplayMoves(header, moveText);
  if (moves_.positions.empty()) moves_.positions.push_back(Board::Start());
  const QString white = QString::fromStdString(model_.list().Shown(listRow, ListColumn::White));
  const QString black = QString::fromStdString(model_.list().Shown(listRow, ListColumn::Black));
  title_->setText(
      QStringLiteral("%1. %2 – %3  %4")
          .arg(static_cast<qulonglong>(listRow + 1))
          .arg(white, black,
               QString::fromStdString(model_.list().Shown(listRow, ListColumn::Result))));
  status_->setText(game_.empty() ? QStringLiteral("The game is not in the file yet.")
                                 : QString::fromStdString(moves_.fault));
  {
    const QSignalBlocker block(moveList_);
    moveList_->clear();
    moveList_->addItem(QStringLiteral("Start"));
    for (const std::string& label : moves_.labels)
      moveList_->addItem(QString::fromStdString(label));
  }
  ply_ = -1;
  showPly(PlyOfLabel(model_.list().Text(listRow, ListColumn::MatchedAt)));
}

void GameListWindow::showPly(int ply) {
  ply = std::clamp(ply, 0, static_cast<int>(moves_.positions.size()) - 1);
  if (ply < 0) ply = 0;
  ply_ = ply;
  board_->setBoard(moves_.positions.empty() ? Board::Start() : moves_.positions[ply]);
  const QSignalBlocker block(moveList_);
  if (ply < moveList_->count()) {
    moveList_->setCurrentRow(ply);
    moveList_->scrollToItem(moveList_->item(ply));
  }
}

void GameListWindow::copyFen() {
  QApplication::clipboard()->setText(QString::fromStdString(WriteFen(board_->board())));
}

void GameListWindow::copyPgn() {
  if (game_.empty()) return;
  std::string_view header, moveText;
  SplitWrittenGame(game_, header, moveText);
  std::string pgn(header);
  pgn += "\n";
  pgn += moveText;
  // The clipboard holds plain line ends.
  std::erase(pgn, '\r');
  const auto size = static_cast<qsizetype>(pgn.size());
  QApplication::clipboard()->setText(IsUtf8(pgn) ? QString::fromUtf8(pgn.data(), size)
                                                 : QString::fromLatin1(pgn.data(), size));
}

void GameListWindow::openEditor() {
  if (row_ >= model_.list().Size() || model_.path().empty()) return;
  openInEditor_(model_.path(), LineAtOffset(model_.path(), model_.list().Offset(row_)));
}

}  // namespace kelvane
