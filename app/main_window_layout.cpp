// The main window's controls, tool bar and menus, at their places at 96 dpi scaled to the
// screen, with their names, captions, hints, colours and tab order.
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <vector>

#include "app/design_pixels.h"
#include "app/event_errors.h"
#include "app/main_window.h"
#include "app/tool_icons.h"

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

void MainWindow::BuildControls() {
  auto* client = Named(new QWidget(this), "ClientArea");
  setCentralWidget(client);

  auto label = [&](const char* name, const char* caption, int left, int top) {
    auto* l = Named(new QLabel(QString::fromUtf8(caption), client), name);
    l->move(DesignPixels(this, left), DesignPixels(this, top));
    l->adjustSize();
    return l;
  };
  auto edit = [&](const char* name, int left, int top, int width, int height = 21) {
    auto* e = Named(new QLineEdit(client), name);
    e->setGeometry(DesignRect(this, left, top, width, height));
    e->installEventFilter(this);
    return e;
  };

  conditionsLabel_ = label("Label1", "Conditions", 24, 48);
  rangeLabel_ = label("Label4", "Range", 192, 48);
  mustContainLabel_ = label("Label2", "Must contain", 24, 176);
  withoutLabel_ = label("Label3", "Without", 24, 248);

  conditionEdits_[0] = edit("Edit1", 32, 64, 129);
  conditionEdits_[1] = edit("Edit2", 32, 104, 129);
  conditionEdits_[2] = edit("Edit3", 32, 144, 129);

  mustContainEdit_ = Named(new QPlainTextEdit(client), "Memo1");
  mustContainEdit_->setGeometry(DesignRect(this, 32, 192, 417, 49));
  mustContainEdit_->setTabChangesFocus(true);
  mustContainEdit_->document()->setDocumentMargin(2);
  mustContainEdit_->installEventFilter(this);

  withoutEdit_ = edit("Edit5", 32, 264, 417);
  rangeEdits_[kCondition1].from = edit("Edit6", 176, 64, 33);
  rangeEdits_[kCondition1].to = edit("Edit7", 216, 64, 33);
  rangeEdits_[kCondition2].from = edit("Edit8", 176, 104, 33);
  rangeEdits_[kCondition2].to = edit("Edit9", 216, 104, 33);
  rangeEdits_[kCondition3].from = edit("Edit10", 176, 144, 33);
  rangeEdits_[kCondition3].to = edit("Edit11", 216, 144, 33);
  rangeEdits_[kMustContain].from = edit("Edit12", 464, 224, 33);
  rangeEdits_[kMustContain].to = edit("Edit13", 504, 224, 33);
  rangeEdits_[kWithout].from = edit("Edit14", 464, 264, 33);
  rangeEdits_[kWithout].to = edit("Edit15", 504, 264, 33);

  sequenceFormGroup_ = Named(new QGroupBox(client), "RadioGroup1");
  sequenceFormGroup_->setGeometry(DesignRect(this, 464, 168, 73, 49));
  auto* radioLayout = new QVBoxLayout(sequenceFormGroup_);
  radioLayout->setContentsMargins(DesignPixels(this, 4), DesignPixels(this, 2),
                                  DesignPixels(this, 2), DesignPixels(this, 2));
  radioLayout->setSpacing(0);
  notationButton_ =
      Named(new QRadioButton(QStringLiteral("Notation"), sequenceFormGroup_), "RadioNotation");
  movesButton_ = Named(new QRadioButton(QStringLiteral("Moves"), sequenceFormGroup_), "RadioMoves");
  // The group is narrow: a desktop font wider than the window was laid out for gets a
  // little smaller here, so "Notation" is not cut off.
  const int room = DesignPixels(this, 73) - DesignPixels(this, 4) - DesignPixels(this, 2) - 2;
  QFont radioFont = sequenceFormGroup_->font();
  while (notationButton_->sizeHint().width() > room && radioFont.pointSizeF() > 6) {
    radioFont.setPointSizeF(radioFont.pointSizeF() - 0.5);
    notationButton_->setFont(radioFont);
    movesButton_->setFont(radioFont);
  }
  radioLayout->addWidget(notationButton_);
  radioLayout->addWidget(movesButton_);
  sequenceFormButtons_ = Named(new QButtonGroup(sequenceFormGroup_), "RadioItems");
  sequenceFormButtons_->addButton(notationButton_, 0);
  sequenceFormButtons_->addButton(movesButton_, 1);
  notationButton_->setChecked(true);
  // The click handler runs after the selection has changed, whoever changed it; the
  // program's own changes are told apart by settingSequenceForm_.
  connect(notationButton_, &QRadioButton::toggled, this, [this](bool on) {
    if (on) RunHandler([this] { RadioClick(); });
  });
  connect(movesButton_, &QRadioButton::toggled, this, [this](bool on) {
    if (on) RunHandler([this] { RadioClick(); });
  });

  inputNameEdit_ = edit("Edit16", 312, 56, 129);
  outputNameEdit_ = edit("Edit17", 312, 88, 129);
  inputDirBox_ = edit("Edit18", 448, 56, 9);
  outputDirBox_ = edit("Edit19", 448, 88, 9);
  for (QLineEdit* e : {inputNameEdit_, outputNameEdit_, inputDirBox_, outputDirBox_}) {
    QPalette p = e->palette();
    p.setColor(QPalette::Base, kAqua);
    e->setPalette(p);
  }
  // The two narrow boxes show their directory only as a hint; their own text means nothing.
  inputDirBox_->setTextMargins(0, 0, 0, 0);
  outputDirBox_->setTextMargins(0, 0, 0, 0);

  swapFilesButton_ = Named(new QPushButton(QStringLiteral("<-->"), client), "Button1");
  swapFilesButton_->setGeometry(DesignRect(this, 472, 72, 41, 17));
  QFont bold = swapFilesButton_->font();
  bold.setBold(true);
  swapFilesButton_->setFont(bold);
  runButton_ = Named(new QPushButton(QStringLiteral("Run"), client), "Button2");
  runButton_->setGeometry(DesignRect(this, 312, 136, 65, 25));
  exitButton_ = Named(new QPushButton(QStringLiteral("Exit"), client), "Button3");
  exitButton_->setGeometry(DesignRect(this, 456, 136, 65, 25));
  for (QPushButton* b : {swapFilesButton_, runButton_, exitButton_}) {
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::StrongFocus);
  }
  connect(swapFilesButton_, &QPushButton::clicked, this, Handler(&MainWindow::ToggleIO));
  connect(runButton_, &QPushButton::clicked, this, Handler(&MainWindow::RunButtonClick));
  connect(exitButton_, &QPushButton::clicked, this, Handler(&MainWindow::Button3Click));

  connect(mustContainEdit_, &QPlainTextEdit::textChanged, this, Handler(&MainWindow::Memo1Change));
}

void MainWindow::BuildEditActions() {
  // One action each for cut, copy and paste, shown in the Edit menu and on the tool bar.
  auto* actionList = Named(new QObject(this), "ActionList1");
  auto editAction = [&](const char* name, ToolImage image, const char* caption, const char* hint,
                        QKeySequence shortcut, void (MainWindow::*handler)()) {
    auto* a = Named(new QAction(ToolIcon(image), QString::fromUtf8(caption), actionList), name);
    a->setShortcut(shortcut);
    a->setToolTip(QString::fromUtf8(hint));
    a->setStatusTip(QString::fromUtf8(hint));
    a->setProperty("category", QStringLiteral("Edit"));
    connect(a, &QAction::triggered, this, Handler(handler));
    return a;
  };
  cutAction_ = editAction("Cut1", ToolImage::Cut, "Cu&t", "Cut", QKeySequence(Qt::CTRL | Qt::Key_X),
                          &MainWindow::EditCut1Execute);
  copyAction_ = editAction("Copy1", ToolImage::Copy, "&Copy", "Copy",
                           QKeySequence(Qt::CTRL | Qt::Key_C), &MainWindow::EditCopy1Execute);
  pasteAction_ = editAction("Paste1", ToolImage::Paste, "&Paste", "Paste",
                            QKeySequence(Qt::CTRL | Qt::Key_V), &MainWindow::EditPaste1Execute);
}

void MainWindow::BuildToolBar() {
  toolBar_ = Named(new QToolBar(centralWidget()), "ToolBar1");
  toolBar_->setGeometry(0, 0, DesignPixels(this, kClientWidth), DesignPixels(this, 29));
  toolBar_->setMovable(false);
  toolBar_->setFloatable(false);
  toolBar_->setIconSize(DesignSize(this, 16, 16));
  toolBar_->setContentsMargins(DesignPixels(this, 2), 0, 0, 0);
  auto button = [&](const char* name, ToolImage image, const char* hint,
                    void (MainWindow::*handler)()) {
    auto* b = Named(new QToolButton(toolBar_), name);
    b->setIcon(ToolIcon(image));
    b->setToolTip(QString::fromUtf8(hint));
    b->setAutoRaise(true);
    b->setFixedSize(DesignSize(this, 23, 22));
    b->setIconSize(DesignSize(this, 16, 16));
    // Tool bar buttons leave the focus in the field being edited.
    b->setFocusPolicy(Qt::NoFocus);
    connect(b, &QToolButton::clicked, this, Handler(handler));
    toolBar_->addWidget(b);
    return b;
  };
  setInputToolButton_ = button("ToolButton1", ToolImage::Open, "Set input file (Ctrl+O)",
                               &MainWindow::SetInput1Click);
  setOutputToolButton_ = button("ToolButton2", ToolImage::Save, "Set output file (Ctrl+S)",
                                &MainWindow::SetOutput1Click);
  outputDirFromInputToolButton_ =
      button("ToolButton3", ToolImage::OutputFromInput, "Set output path to input path",
             &MainWindow::OeqIToolButtonClick);
  inputDirFromOutputToolButton_ =
      button("ToolButton4", ToolImage::InputFromOutput, "Set input path to output path",
             &MainWindow::IeqOToolButtonClick);
  runToolButton_ =
      button("ToolButton5", ToolImage::Run, "Run (Ctrl+R)", &MainWindow::RunButtonClick);
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

void MainWindow::BuildMenus() {
  menuBar()->setObjectName(QStringLiteral("MainMenu1"));
  auto menu = [&](const char* name, const char* caption) {
    return Named(menuBar()->addMenu(QString::fromUtf8(caption)), name);
  };
  auto item = [&](QMenu* m, const char* name, const char* caption, QKeySequence shortcut,
                  void (MainWindow::*handler)(), QIcon icon = QIcon()) {
    auto* a = Named(m->addAction(icon, QString::fromUtf8(caption)), name);
    a->setShortcut(shortcut);
    connect(a, &QAction::triggered, this, Handler(handler));
    return a;
  };

  fileMenu_ = menu("File1", "&File");
  setInputAction_ = item(fileMenu_, "SetInput1", "Set &Input", QKeySequence(Qt::CTRL | Qt::Key_O),
                         &MainWindow::SetInput1Click, ToolIcon(ToolImage::Open));
  setOutputAction_ =
      item(fileMenu_, "SetOutput1", "Set &Output", QKeySequence(Qt::CTRL | Qt::Key_S),
           &MainWindow::SetOutput1Click, ToolIcon(ToolImage::Save));
  fileMenu_->addSeparator();
  runAction_ = item(fileMenu_, "Run1", "&Run", QKeySequence(Qt::CTRL | Qt::Key_R),
                    &MainWindow::RunButtonClick, ToolIcon(ToolImage::Run));
  fileMenu_->addSeparator();
  exitAction_ = item(fileMenu_, "Exit1", "E&xit", QKeySequence(), &MainWindow::Exit1Click);

  editMenu_ = menu("Edit4", "&Edit");
  editMenu_->addActions({cutAction_, copyAction_, pasteAction_});
  editMenu_->addSeparator();
  outputEditor1Action_ = item(editMenu_, "OutputEditor11", "Output Editor &1",
                              QKeySequence(Qt::CTRL | Qt::Key_E), &MainWindow::Editor1Click);
  outputEditor2Action_ = item(editMenu_, "OutputEditor21", "Output Editor &2",
                              QKeySequence(Qt::CTRL | Qt::Key_F), &MainWindow::Editor2Click);

  optionsMenu_ = menu("Options1", "&Options");
  splitAction_ = Named(optionsMenu_->addAction(QStringLiteral("S&plit")), "Split1");
  splitAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  splitAction_->setCheckable(true);
  splitAction_->setChecked(false);
  connect(splitAction_, &QAction::triggered, this, Handler(&MainWindow::Split1Click));

  helpMenu_ = menu("Help1", "&Help");
  helpContentsAction_ =
      item(helpMenu_, "Contents1", "&Contents", QKeySequence(), &MainWindow::Contents1Click);
  aboutAction_ = item(helpMenu_, "About1", "&About", QKeySequence(), &MainWindow::About1Click);

  // The edit actions are enabled as the focused field allows.
  connect(editMenu_, &QMenu::aboutToShow, this, &MainWindow::UpdateEditActions);
  connect(qApp, &QApplication::focusChanged, this, &MainWindow::UpdateEditActions);
  connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
          &MainWindow::UpdateEditActions);
  for (QLineEdit* e : findChildren<QLineEdit*>())
    connect(e, &QLineEdit::selectionChanged, this, &MainWindow::UpdateEditActions);
  connect(mustContainEdit_, &QPlainTextEdit::selectionChanged, this,
          &MainWindow::UpdateEditActions);
}

void MainWindow::SetTabOrder() {
  // The criteria, the ranges in the order of their settings slots, the Notation/Moves
  // choice, then the files and the buttons.
  std::vector<QWidget*> order(conditionEdits_.begin(), conditionEdits_.end());
  order.push_back(mustContainEdit_);
  order.push_back(withoutEdit_);
  for (QLineEdit* e : RangeEdits()) order.push_back(e);
  order.insert(order.end(),
               {notationButton_, movesButton_, inputNameEdit_, outputNameEdit_, inputDirBox_,
                outputDirBox_, swapFilesButton_, runButton_, exitButton_});
  for (size_t i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

void MainWindow::CentreOnScreen() {
  resize(DesignPixels(this, kClientWidth),
         DesignPixels(this, kClientHeight) + menuBar()->sizeHint().height());
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

std::function<void()> MainWindow::Handler(void (MainWindow::*handler)()) {
  return [this, handler] { RunHandler([this, handler] { (this->*handler)(); }); };
}

}  // namespace kelvane
