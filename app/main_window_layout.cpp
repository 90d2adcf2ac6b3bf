// The main window's controls, tool bar and menus, at their places at 96 dpi scaled to the
// screen, with their names, captions, hints, colours and tab order.
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpacerItem>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/design_pixels.h"
#include "app/event_errors.h"
#include "app/main_window.h"
#include "app/position_preview.h"
#include "app/text_box_frame.h"
#include "app/tool_icons.h"
#include "engine/criteria_kinds.h"
#include "engine/duplicates.h"
#include "engine/file_names.h"

namespace kelvane {

namespace {
// The client area below the menu bar at 96 dpi: the window's outer 577 by 367 less its
// frame, title bar and menu bar.
constexpr int kClientWidth = 569;
constexpr int kClientHeight = 320;
const QColor kAqua(0, 255, 255);

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}
}  // namespace

void MainWindow::buildControls() {
  setCentralWidget(Named(new QWidget(this), "ClientArea"));
  buildCriteria();
  buildSequenceFormChoice();
  buildFileControls();
  buildAddedCriteria();
  buildStatusBar();
  // Connected once every control exists: the handler moves the Notation/Moves choice.
  connect(mustContainEdit_, &QPlainTextEdit::textChanged, this,
          guarded([this] { onMustContainEdited(); }));
}

QLabel* MainWindow::addLabel(const char* name, const char* caption, int left, int top) {
  auto* l = Named(new QLabel(QString::fromUtf8(caption), centralWidget()), name);
  l->move(DesignPixels(this, left), DesignPixels(this, top));
  l->adjustSize();
  return l;
}

QLineEdit* MainWindow::addField(const char* name, int left, int top, int width, int height) {
  auto* e = Named(new QLineEdit(centralWidget()), name);
  e->setGeometry(DesignRect(this, left, top, width, height));
  e->installEventFilter(this);
  return e;
}

QPlainTextEdit* MainWindow::addTextBox(const char* name, QWidget* parent) {
  auto* frame = Named(new TextBoxFrame(parent), (std::string(name) + "Frame").c_str());
  QPlainTextEdit* box = Named(frame->box(), name);
  box->setTabChangesFocus(true);
  box->document()->setDocumentMargin(1);
  box->installEventFilter(this);
  return box;
}

void MainWindow::buildCriteria() {
  conditionsLabel_ = addLabel("Label1", "Conditions", 24, 48);
  rangeLabel_ = addLabel("Label4", "Range", 192, 48);
  mustContainLabel_ = addLabel("Label2", "Must contain", 24, 176);
  withoutLabel_ = addLabel("Label3", "Without", 24, 248);

  conditionEdits_[0] = addField("Edit1", 32, 64, 129);
  conditionEdits_[1] = addField("Edit2", 32, 104, 129);
  conditionEdits_[2] = addField("Edit3", 32, 144, 129);

  mustContainEdit_ = addTextBox("Memo1", centralWidget());
  mustContainEdit_->parentWidget()->setGeometry(DesignRect(this, 32, 192, 417, 49));

  withoutEdit_ = addField("Edit5", 32, 264, 417);
  rangeEdits_[kCondition1] = {addField("Edit6", 176, 64, 33), addField("Edit7", 216, 64, 33)};
  rangeEdits_[kCondition2] = {addField("Edit8", 176, 104, 33), addField("Edit9", 216, 104, 33)};
  rangeEdits_[kCondition3] = {addField("Edit10", 176, 144, 33), addField("Edit11", 216, 144, 33)};
  rangeEdits_[kMustContain] = {addField("Edit12", 464, 224, 33), addField("Edit13", 504, 224, 33)};
  rangeEdits_[kWithout] = {addField("Edit14", 464, 264, 33), addField("Edit15", 504, 264, 33)};
}

void MainWindow::buildSequenceFormChoice() {
  sequenceFormGroup_ = Named(new QGroupBox(centralWidget()), "RadioGroup1");
  sequenceFormGroup_->setGeometry(DesignRect(this, 464, 168, 73, 49));
  auto* layout = new QVBoxLayout(sequenceFormGroup_);
  layout->setContentsMargins(DesignPixels(this, 4), DesignPixels(this, 2), DesignPixels(this, 2),
                             DesignPixels(this, 2));
  layout->setSpacing(0);
  notationButton_ =
      Named(new QRadioButton(QStringLiteral("Notation"), sequenceFormGroup_), "RadioNotation");
  movesButton_ = Named(new QRadioButton(QStringLiteral("Moves"), sequenceFormGroup_), "RadioMoves");
  // The group is narrow: a desktop font wider than the window was laid out for gets a
  // little smaller here, so "Notation" is not cut off.
  const int room = DesignPixels(this, 73) - DesignPixels(this, 4) - DesignPixels(this, 2) - 2;
  QFont font = sequenceFormGroup_->font();
  while (notationButton_->sizeHint().width() > room && font.pointSizeF() > 6) {
    font.setPointSizeF(font.pointSizeF() - 0.5);
    notationButton_->setFont(font);
    movesButton_->setFont(font);
  }
  layout->addWidget(notationButton_);
  layout->addWidget(movesButton_);
  sequenceFormButtons_ = Named(new QButtonGroup(sequenceFormGroup_), "RadioItems");
  sequenceFormButtons_->addButton(notationButton_, static_cast<int>(SequenceForm::Notation));
  sequenceFormButtons_->addButton(movesButton_, static_cast<int>(SequenceForm::Moves));
  notationButton_->setChecked(true);
  // The click handler runs after the selection has changed, whoever changed it; the
  // program's own changes are told apart by settingSequenceForm_.
  for (QRadioButton* item : {notationButton_, movesButton_}) {
    connect(item, &QRadioButton::toggled, this, [this](bool on) {
      if (on) RunHandler([this] { onSequenceFormClicked(); });
    });
  }
}

void MainWindow::buildFileControls() {
  inputNameEdit_ = addField("Edit16", 312, 56, 129);
  outputNameEdit_ = addField("Edit17", 312, 88, 129);
  inputDirBox_ = addField("Edit18", 448, 56, 9);
  outputDirBox_ = addField("Edit19", 448, 88, 9);
  for (QLineEdit* e : {inputNameEdit_, outputNameEdit_, inputDirBox_, outputDirBox_}) {
    QPalette p = e->palette();
    p.setColor(QPalette::Base, kAqua);
    e->setPalette(p);
  }
  // The two narrow boxes show their directory only as a hint; their own text means nothing.
  inputDirBox_->setTextMargins(0, 0, 0, 0);
  outputDirBox_->setTextMargins(0, 0, 0, 0);

  swapFilesButton_ = Named(new QPushButton(QStringLiteral("<-->"), centralWidget()), "Button1");
  swapFilesButton_->setGeometry(DesignRect(this, 472, 72, 41, 17));
  QFont bold = swapFilesButton_->font();
  bold.setBold(true);
  swapFilesButton_->setFont(bold);
  runButton_ = Named(new QPushButton(QStringLiteral("Run"), centralWidget()), "Button2");
  runButton_->setGeometry(DesignRect(this, 312, 136, 65, 25));
  exitButton_ = Named(new QPushButton(QStringLiteral("Exit"), centralWidget()), "Button3");
  exitButton_->setGeometry(DesignRect(this, 456, 136, 65, 25));
  // Count stands in the gap between Run and Exit, which keep their places.
  countButton_ = Named(new QPushButton(QStringLiteral("Count"), centralWidget()), "CountButton");
  countButton_->setGeometry(DesignRect(this, 384, 136, 65, 25));
  countButton_->setToolTip(QStringLiteral("Count the games the criteria select; write nothing"));
  for (QPushButton* b : {swapFilesButton_, runButton_, countButton_, exitButton_}) {
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::StrongFocus);
  }
  // A click on Run or Exit leaves the focus in the field being typed in: Run ends that
  // edit itself, as its shortcut does, and Exit stores it as it closes. A message about the
  // field can then never take the click that was meant for the button.
  runButton_->setFocusPolicy(Qt::TabFocus);
  countButton_->setFocusPolicy(Qt::TabFocus);
  exitButton_->setFocusPolicy(Qt::TabFocus);
  connect(swapFilesButton_, &QPushButton::clicked, this, guarded([this] { swapFiles(); }));
  connect(runButton_, &QPushButton::clicked, this, guarded([this] { runScan(); }));
  connect(countButton_, &QPushButton::clicked, this, guarded([this] { runScan(true); }));
  connect(exitButton_, &QPushButton::clicked, this, guarded([this] { exitProgram(); }));
}

void MainWindow::buildAddedCriteria() {
  // The kinds of criteria beyond the designed ones share one area below the designed
  // controls: a caption above a field per kind, and the field's range in the designed range
  // columns, laid out by Qt so that any font fits. The window grows by the area's height.
  addedCriteriaArea_ = Named(new QWidget(centralWidget()), "AddedCriteria");
  auto* grid = new QGridLayout(addedCriteriaArea_);
  grid->setContentsMargins(DesignPixels(this, 24), 0, 0, DesignPixels(this, 8));
  grid->setHorizontalSpacing(0);
  grid->setVerticalSpacing(DesignPixels(this, 2));
  // Columns: the fields' indent, the field, then from and to as in the designed ranges.
  const int columns[] = {8, 417, 15, 33, 7, 33};
  for (int c = 0; c < 6; ++c) grid->setColumnMinimumWidth(c, DesignPixels(this, columns[c]));
  grid->setColumnStretch(6, 1);
  int row = 0;
  auto addKind = [&](const char* captionName, const char* caption, QWidget* field,
                     std::array<const char*, 2> rangeNames) {
    grid->addWidget(Named(new QLabel(QString::fromUtf8(caption), addedCriteriaArea_), captionName),
                    row++, 0, 1, 2, Qt::AlignLeft);
    field->setFixedWidth(DesignPixels(this, 417));
    grid->addWidget(field, row, 1, Qt::AlignLeft | Qt::AlignTop);
    if (rangeNames[0]) {
      for (int end = 0; end < 2; ++end) {
        auto* e = Named(new QLineEdit(addedCriteriaArea_), rangeNames[end]);
        e->setFixedSize(DesignSize(this, 33, 21));
        e->installEventFilter(this);
        grid->addWidget(e, row, 3 + 2 * end, Qt::AlignLeft | Qt::AlignTop);
      }
    }
    ++row;
  };

  QPlainTextEdit* header = addTextBox("HeaderCriteria", addedCriteriaArea_);
  header->setPlaceholderText(
      QStringLiteral("One per line, all must pass: WhiteElo >= 2400, Black ~ Carlsen, Year >= 2020"));
  header->setToolTip(QStringLiteral(
      "Criteria on the game's tags, one NAME OP VALUE per line.\n"
      "Names: any tag, Player, MinElo, MaxElo, AvgElo, EloDiff, Year, TimeClass, Plies.\n"
      "Operators: = != ~ (contains) !~ < <= > >=; = and ~ take alternatives: 1-0|0-1"));
  // Three lines of the box's font, like Must contain's two and a little more.
  QWidget* headerFrame = header->parentWidget();
  const QFontMetrics metrics(header->font());
  headerFrame->setFixedHeight(3 * metrics.lineSpacing() +
                              2 * (headerFrame->contentsMargins().top() + 3));
  addKind("HeaderLabel", "Header", headerFrame, {nullptr, nullptr});

  QLineEdit* position = Named(new QLineEdit(addedCriteriaArea_), "PositionCriterion");
  position->installEventFilter(this);
  position->setPlaceholderText(QStringLiteral(
      "FEN: rnbqkbnr/pp2pppp/3p4/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R w"));
  position->setToolTip(QStringLiteral(
      "A position the game reaches after a move within the range, in any move order.\n"
      "The placement of the pieces and the side to move are compared."));
  new PositionPreview(position);
  addKind("PositionLabel", "Position", position, {"PositionFrom", "PositionTo"});

  QLineEdit* material = Named(new QLineEdit(addedCriteriaArea_), "MaterialCriterion");
  material->installEventFilter(this);
  material->setPlaceholderText(QStringLiteral("White's pieces v Black's: KRP v KR"));
  material->setToolTip(QStringLiteral(
      "The material after a move within the range, exactly: white's pieces, \" v \", "
      "black's;\neach letter once per piece (K Q R B N P); the K may be left out."));
  addKind("MaterialLabel", "Material", material, {"MaterialFrom", "MaterialTo"});

  // Below the Without line.
  const int top = DesignPixels(this, 292);
  addedCriteriaArea_->setGeometry(0, top, DesignPixels(this, kClientWidth),
                                  addedCriteriaArea_->sizeHint().height());
}

void MainWindow::buildStatusBar() {
  statusBar()->setObjectName(QStringLiteral("StatusBar1"));
  statusBar()->setSizeGripEnabled(false);
  splitState_ = Named(new QLabel(statusBar()), "SplitState");
  statusBar()->addWidget(splitState_, 1);
  connect(outputNameEdit_, &QLineEdit::textChanged, this, &MainWindow::showSplitState);
  showSplitState();
}

void MainWindow::showSplitState() {
  QString text = QStringLiteral("Split: off");
  if (split_) {
    const std::optional<std::string> splitName = SplitName(fileNameText(outputNameEdit_));
    text = splitName ? QStringLiteral("Split: failing games go to ") +
                           QString::fromLocal8Bit(splitName->data(),
                                                  static_cast<qsizetype>(splitName->size()))
                     : QStringLiteral("Split: on; the output's name needs a \".\" to name the "
                                      "split file");
  }
  if (duplicatesAction_ && duplicatesAction_->isChecked()) {
    const std::string dups = DuplicatesFileName(fileNameText(outputNameEdit_));
    text += QStringLiteral("; duplicates go to ") +
            QString::fromLocal8Bit(dups.data(), static_cast<qsizetype>(dups.size()));
  }
  splitState_->setText(text);
}

void MainWindow::buildEditActions() {
  // One action each for cut, copy and paste, shown in the Edit menu and on the tool bar.
  auto* actionList = Named(new QObject(this), "ActionList1");
  auto editAction = [&](const char* name, ToolImage image, const char* caption, const char* hint,
                        QKeySequence shortcut, EditCommand command) {
    auto* a = Named(new QAction(ToolIcon(image), QString::fromUtf8(caption), actionList), name);
    a->setShortcut(shortcut);
    a->setToolTip(QString::fromUtf8(hint));
    a->setStatusTip(QString::fromUtf8(hint));
    a->setProperty("category", QStringLiteral("Edit"));
    connect(a, &QAction::triggered, this, guarded([this, command] { editFocusedField(command); }));
    return a;
  };
  cutAction_ = editAction("Cut1", ToolImage::Cut, "Cu&t", "Cut", QKeySequence(Qt::CTRL | Qt::Key_X),
                          EditCommand::Cut);
  copyAction_ = editAction("Copy1", ToolImage::Copy, "&Copy", "Copy",
                           QKeySequence(Qt::CTRL | Qt::Key_C), EditCommand::Copy);
  pasteAction_ = editAction("Paste1", ToolImage::Paste, "&Paste", "Paste",
                            QKeySequence(Qt::CTRL | Qt::Key_V), EditCommand::Paste);
}

void MainWindow::buildToolBar() {
  toolBar_ = Named(new QToolBar(centralWidget()), "ToolBar1");
  toolBar_->setGeometry(0, 0, DesignPixels(this, kClientWidth), DesignPixels(this, 29));
  toolBar_->setMovable(false);
  toolBar_->setFloatable(false);
  toolBar_->setIconSize(DesignSize(this, 16, 16));
  toolBar_->setContentsMargins(DesignPixels(this, 2), 0, 0, 0);
  auto button = [&](const char* name, ToolImage image, const char* hint,
                    std::function<void()> handler) {
    auto* b = Named(new QToolButton(toolBar_), name);
    b->setIcon(ToolIcon(image));
    b->setToolTip(QString::fromUtf8(hint));
    b->setAutoRaise(true);
    b->setFixedSize(DesignSize(this, 23, 22));
    b->setIconSize(DesignSize(this, 16, 16));
    // Tool bar buttons leave the focus in the field being edited.
    b->setFocusPolicy(Qt::NoFocus);
    connect(b, &QToolButton::clicked, this, guarded(std::move(handler)));
    toolBar_->addWidget(b);
    return b;
  };
  setInputToolButton_ = button("ToolButton1", ToolImage::Open, "Set input file (Ctrl+O)",
                               [this] { chooseFile(Side::Input); });
  setOutputToolButton_ = button("ToolButton2", ToolImage::Save, "Set output file (Ctrl+S)",
                                [this] { chooseFile(Side::Output); });
  outputDirFromInputToolButton_ =
      button("ToolButton3", ToolImage::OutputFromInput, "Set output path to input path",
             [this] { copyDirectory(Side::Input); });
  inputDirFromOutputToolButton_ =
      button("ToolButton4", ToolImage::InputFromOutput, "Set input path to output path",
             [this] { copyDirectory(Side::Output); });
  runToolButton_ = button("ToolButton5", ToolImage::Run, "Run (Ctrl+R)", [this] { runScan(); });
  toolBarGap_ = Named(new QWidget(toolBar_), "ToolButton6");
  toolBarGap_->setFixedSize(DesignSize(this, 8, 22));
  toolBar_->addWidget(toolBarGap_);
  auto actionButton = [&](const char* name, QAction* action) {
    auto* b = Named(new QToolButton(toolBar_), name);
    b->setDefaultAction(action);
    b->setAutoRaise(true);
    b->setFixedSize(DesignSize(this, 23, 22));
    b->setIconSize(DesignSize(this, 16, 16));
    b->setFocusPolicy(Qt::NoFocus);
    toolBar_->addWidget(b);
    return b;
  };
  cutToolButton_ = actionButton("ToolButton7", cutAction_);
  copyToolButton_ = actionButton("ToolButton8", copyAction_);
  pasteToolButton_ = actionButton("ToolButton9", pasteAction_);
}

void MainWindow::buildMenus() {
  menuBar()->setObjectName(QStringLiteral("MainMenu1"));
  auto menu = [&](const char* name, const char* caption) {
    return Named(menuBar()->addMenu(QString::fromUtf8(caption)), name);
  };
  auto item = [&](QMenu* m, const char* name, const char* caption, QKeySequence shortcut,
                  std::function<void()> handler, QIcon icon = QIcon()) {
    auto* a = Named(m->addAction(icon, QString::fromUtf8(caption)), name);
    a->setShortcut(shortcut);
    connect(a, &QAction::triggered, this, guarded(std::move(handler)));
    return a;
  };

  fileMenu_ = menu("File1", "&File");
  setInputAction_ = item(
      fileMenu_, "SetInput1", "Set &Input", QKeySequence(Qt::CTRL | Qt::Key_O),
      [this] { chooseFile(Side::Input); }, ToolIcon(ToolImage::Open));
  setInputFolderAction_ =
      item(fileMenu_, "SetInputFolder1", "Set Input &Folder",
           QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), [this] { chooseInputFolder(); });
  setOutputAction_ = item(
      fileMenu_, "SetOutput1", "Set &Output", QKeySequence(Qt::CTRL | Qt::Key_S),
      [this] { chooseFile(Side::Output); }, ToolIcon(ToolImage::Save));
  fileMenu_->addSeparator();
  runAction_ = item(
      fileMenu_, "Run1", "&Run", QKeySequence(Qt::CTRL | Qt::Key_R), [this] { runScan(); },
      ToolIcon(ToolImage::Run));
  countAction_ = item(fileMenu_, "Count1", "&Count", QKeySequence(Qt::CTRL | Qt::Key_K),
                      [this] { runScan(true); });
  fileMenu_->addSeparator();
  exitAction_ = item(fileMenu_, "Exit1", "E&xit", QKeySequence(), [this] { exitProgram(); });

  editMenu_ = menu("Edit4", "&Edit");
  editMenu_->addActions({cutAction_, copyAction_, pasteAction_});
  editMenu_->addSeparator();
  outputEditor1Action_ = item(editMenu_, "OutputEditor11", "Output Editor &1",
                              QKeySequence(Qt::CTRL | Qt::Key_E), [this] { openOutputEditor(1); });
  outputEditor2Action_ = item(editMenu_, "OutputEditor21", "Output Editor &2",
                              QKeySequence(Qt::CTRL | Qt::Key_F), [this] { openOutputEditor(2); });

  optionsMenu_ = menu("Options1", "&Options");
  splitAction_ = Named(optionsMenu_->addAction(QStringLiteral("S&plit")), "Split1");
  splitAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  splitAction_->setCheckable(true);
  splitAction_->setChecked(false);
  connect(splitAction_, &QAction::triggered, this, guarded([this] { toggleSplit(); }));
  tolerantAction_ =
      Named(optionsMenu_->addAction(QStringLiteral("&Tolerant reading")), "TolerantReading1");
  tolerantAction_->setCheckable(true);
  connect(tolerantAction_, &QAction::triggered, this, guarded([this] { toggleTolerant(); }));
  duplicatesAction_ = Named(optionsMenu_->addAction(QStringLiteral("&Duplicates")), "Duplicates1");
  duplicatesPrefixAction_ =
      Named(optionsMenu_->addAction(QStringLiteral("Duplicates: also a game that is the &start of "
                                                   "another")),
            "DuplicatesPrefix1");
  for (QAction* a : {duplicatesAction_, duplicatesPrefixAction_}) {
    a->setCheckable(true);
    connect(a, &QAction::triggered, this, guarded([this] { toggleDuplicates(); }));
  }

  buildGameList();
  buildSummary();
  helpMenu_ = menu("Help1", "&Help");
  helpContentsAction_ =
      item(helpMenu_, "Contents1", "&Contents", QKeySequence(), [this] { showHelpContents(); });
  aboutAction_ = item(helpMenu_, "About1", "&About", QKeySequence(), [this] { showAbout(); });

  buildEditorChoiceMenu();

  // The edit actions are enabled as the focused field allows.
  connect(editMenu_, &QMenu::aboutToShow, this, &MainWindow::updateEditActions);
  connect(qApp, &QApplication::focusChanged, this, &MainWindow::updateEditActions);
  connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
          &MainWindow::updateEditActions);
  for (QLineEdit* e : findChildren<QLineEdit*>())
    connect(e, &QLineEdit::selectionChanged, this, &MainWindow::updateEditActions);
  for (QPlainTextEdit* box : findChildren<QPlainTextEdit*>())
    connect(box, &QPlainTextEdit::selectionChanged, this, &MainWindow::updateEditActions);
}

void MainWindow::buildEditorChoiceMenu() {
  // The Edit menu's commands ask for an editor only while it or the output file is
  // missing; here either editor can be changed at any time.
  optionsMenu_->addSeparator();
  outputEditorsMenu_ =
      Named(optionsMenu_->addMenu(QStringLiteral("Output &editors")), "OutputEditors1");
  chooseEditor1Action_ =
      Named(outputEditorsMenu_->addAction(QStringLiteral("Output Editor &1...")), "ChooseEditor11");
  chooseEditor2Action_ =
      Named(outputEditorsMenu_->addAction(QStringLiteral("Output Editor &2...")), "ChooseEditor21");
  connect(chooseEditor1Action_, &QAction::triggered, this,
          guarded([this] { chooseOutputEditor(1); }));
  connect(chooseEditor2Action_, &QAction::triggered, this,
          guarded([this] { chooseOutputEditor(2); }));
}

void MainWindow::orderTabs() {
  // The criteria, the ranges in the order of their settings slots, the Notation/Moves
  // choice, the files and the buttons, then the added criteria.
  std::vector<QWidget*> order = criteriaFieldsInTabOrder();
  order.insert(order.end(),
               {notationButton_, movesButton_, inputNameEdit_, outputNameEdit_, inputDirBox_,
                outputDirBox_, swapFilesButton_, runButton_, countButton_, exitButton_});
  // Then the fields of the added criteria, each followed by its range, in the area's order
  // below the designed ones.
  for (const CriterionKind& kind : CriterionKinds()) {
    if (kind.alwaysWritten || !kind.fieldName) continue;
    order.push_back(criterionField(kind.fieldName));
    if (kind.range)
      order.insert(order.end(), {criterionField(kind.fromFieldName), criterionField(kind.toFieldName)});
  }
  for (size_t i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

void MainWindow::centreOnScreen() {
  const int clientHeight =
      std::max(DesignPixels(this, kClientHeight), addedCriteriaArea_->geometry().bottom() + 1);
  resize(DesignPixels(this, kClientWidth),
         clientHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
  if (QScreen* s = screen()) {
    QRect area = s->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  // The tool bar is aligned to the top edge and takes the client area's full width.
  if (toolBar_ && centralWidget())
    toolBar_->setGeometry(0, 0, centralWidget()->width(), DesignPixels(this, 29));
}

}  // namespace kelvane
