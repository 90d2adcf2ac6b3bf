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

  Label1 = label("Label1", "Conditions", 24, 48);
  Label4 = label("Label4", "Range", 192, 48);
  Label2 = label("Label2", "Must contain", 24, 176);
  Label3 = label("Label3", "Without", 24, 248);

  Edit1 = edit("Edit1", 32, 64, 129);
  Edit2 = edit("Edit2", 32, 104, 129);
  Edit3 = edit("Edit3", 32, 144, 129);

  Memo1 = Named(new QPlainTextEdit(client), "Memo1");
  Memo1->setGeometry(DesignRect(this, 32, 192, 417, 49));
  Memo1->setTabChangesFocus(true);
  Memo1->document()->setDocumentMargin(2);
  Memo1->installEventFilter(this);

  Edit5 = edit("Edit5", 32, 264, 417);
  Edit6 = edit("Edit6", 176, 64, 33);
  Edit7 = edit("Edit7", 216, 64, 33);
  Edit8 = edit("Edit8", 176, 104, 33);
  Edit9 = edit("Edit9", 216, 104, 33);
  Edit10 = edit("Edit10", 176, 144, 33);
  Edit11 = edit("Edit11", 216, 144, 33);
  Edit12 = edit("Edit12", 464, 224, 33);
  Edit13 = edit("Edit13", 504, 224, 33);
  Edit14 = edit("Edit14", 464, 264, 33);
  Edit15 = edit("Edit15", 504, 264, 33);

  RadioGroup1 = Named(new QGroupBox(client), "RadioGroup1");
  RadioGroup1->setGeometry(DesignRect(this, 464, 168, 73, 49));
  auto* radioLayout = new QVBoxLayout(RadioGroup1);
  radioLayout->setContentsMargins(DesignPixels(this, 4), DesignPixels(this, 2),
                                  DesignPixels(this, 2), DesignPixels(this, 2));
  radioLayout->setSpacing(0);
  RadioNotation = Named(new QRadioButton(QStringLiteral("Notation"), RadioGroup1), "RadioNotation");
  RadioMoves = Named(new QRadioButton(QStringLiteral("Moves"), RadioGroup1), "RadioMoves");
  // The group is narrow: a desktop font wider than the window was laid out for gets a
  // little smaller here, so "Notation" is not cut off.
  const int room = DesignPixels(this, 73) - DesignPixels(this, 4) - DesignPixels(this, 2) - 2;
  QFont radioFont = RadioGroup1->font();
  while (RadioNotation->sizeHint().width() > room && radioFont.pointSizeF() > 6) {
    radioFont.setPointSizeF(radioFont.pointSizeF() - 0.5);
    RadioNotation->setFont(radioFont);
    RadioMoves->setFont(radioFont);
  }
  radioLayout->addWidget(RadioNotation);
  radioLayout->addWidget(RadioMoves);
  RadioItems = Named(new QButtonGroup(RadioGroup1), "RadioItems");
  RadioItems->addButton(RadioNotation, 0);
  RadioItems->addButton(RadioMoves, 1);
  RadioNotation->setChecked(true);
  // The click handler runs after the selection has changed, whoever changed it; the
  // program's own changes are told apart by SettingRadio.
  connect(RadioNotation, &QRadioButton::toggled, this, [this](bool on) {
    if (on) RunHandler([this] { RadioClick(); });
  });
  connect(RadioMoves, &QRadioButton::toggled, this, [this](bool on) {
    if (on) RunHandler([this] { RadioClick(); });
  });

  Edit16 = edit("Edit16", 312, 56, 129);
  Edit17 = edit("Edit17", 312, 88, 129);
  Edit18 = edit("Edit18", 448, 56, 9);
  Edit19 = edit("Edit19", 448, 88, 9);
  for (QLineEdit* e : {Edit16, Edit17, Edit18, Edit19}) {
    QPalette p = e->palette();
    p.setColor(QPalette::Base, kAqua);
    e->setPalette(p);
  }
  // The two narrow boxes show their directory only as a hint; their own text means nothing.
  Edit18->setTextMargins(0, 0, 0, 0);
  Edit19->setTextMargins(0, 0, 0, 0);

  Button1 = Named(new QPushButton(QStringLiteral("<-->"), client), "Button1");
  Button1->setGeometry(DesignRect(this, 472, 72, 41, 17));
  QFont bold = Button1->font();
  bold.setBold(true);
  Button1->setFont(bold);
  Button2 = Named(new QPushButton(QStringLiteral("Run"), client), "Button2");
  Button2->setGeometry(DesignRect(this, 312, 136, 65, 25));
  Button3 = Named(new QPushButton(QStringLiteral("Exit"), client), "Button3");
  Button3->setGeometry(DesignRect(this, 456, 136, 65, 25));
  for (QPushButton* b : {Button1, Button2, Button3}) {
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::StrongFocus);
  }
  connect(Button1, &QPushButton::clicked, this, Handler(&MainWindow::ToggleIO));
  connect(Button2, &QPushButton::clicked, this, Handler(&MainWindow::RunButtonClick));
  connect(Button3, &QPushButton::clicked, this, Handler(&MainWindow::Button3Click));

  connect(Memo1, &QPlainTextEdit::textChanged, this, Handler(&MainWindow::Memo1Change));
}

void MainWindow::BuildToolBar() {
  ActionList1 = Named(new QObject(this), "ActionList1");
  auto editAction = [&](const char* name, ToolImage image, const char* caption, const char* hint,
                        void (MainWindow::*handler)()) {
    auto* a = Named(new QAction(ToolIcon(image), QString::fromUtf8(caption), ActionList1), name);
    a->setToolTip(QString::fromUtf8(hint));
    a->setStatusTip(QString::fromUtf8(hint));
    a->setProperty("category", QStringLiteral("Edit"));
    connect(a, &QAction::triggered, this, Handler(handler));
    return a;
  };
  EditCut1 = editAction("EditCut1", ToolImage::Cut, "Cu&t", "Cut", &MainWindow::EditCut1Execute);
  EditCopy1 =
      editAction("EditCopy1", ToolImage::Copy, "&Copy", "Copy", &MainWindow::EditCopy1Execute);
  EditPaste1 =
      editAction("EditPaste1", ToolImage::Paste, "&Paste", "Paste", &MainWindow::EditPaste1Execute);

  ToolBar1 = Named(new QToolBar(centralWidget()), "ToolBar1");
  ToolBar1->setGeometry(0, 0, DesignPixels(this, kClientWidth), DesignPixels(this, 29));
  ToolBar1->setMovable(false);
  ToolBar1->setFloatable(false);
  ToolBar1->setIconSize(DesignSize(this, 16, 16));
  ToolBar1->setContentsMargins(DesignPixels(this, 2), 0, 0, 0);
  auto button = [&](const char* name, ToolImage image, const char* hint,
                    void (MainWindow::*handler)()) {
    auto* b = Named(new QToolButton(ToolBar1), name);
    b->setIcon(ToolIcon(image));
    b->setToolTip(QString::fromUtf8(hint));
    b->setAutoRaise(true);
    b->setFixedSize(DesignSize(this, 23, 22));
    b->setIconSize(DesignSize(this, 16, 16));
    // Tool bar buttons leave the focus in the field being edited.
    b->setFocusPolicy(Qt::NoFocus);
    connect(b, &QToolButton::clicked, this, Handler(handler));
    ToolBar1->addWidget(b);
    return b;
  };
  ToolButton1 = button("ToolButton1", ToolImage::Open, "Set input file (Ctrl+O)",
                       &MainWindow::SetInput1Click);
  ToolButton2 = button("ToolButton2", ToolImage::Save, "Set output file (Ctrl+S)",
                       &MainWindow::SetOutput1Click);
  ToolButton3 = button("ToolButton3", ToolImage::OutputFromInput, "Set output path to input path",
                       &MainWindow::OeqIToolButtonClick);
  ToolButton4 = button("ToolButton4", ToolImage::InputFromOutput, "Set input path to output path",
                       &MainWindow::IeqOToolButtonClick);
  ToolButton5 = button("ToolButton5", ToolImage::Run, "Run (Ctrl+R)", &MainWindow::RunButtonClick);
  ToolButton6 = Named(new QWidget(ToolBar1), "ToolButton6");
  ToolButton6->setFixedSize(DesignSize(this, 8, 22));
  ToolBar1->addWidget(ToolButton6);
  auto actionButton = [&](const char* name, QAction* action) {
    auto* b = Named(new QToolButton(ToolBar1), name);
    b->setDefaultAction(action);
    b->setAutoRaise(true);
    b->setFixedSize(DesignSize(this, 23, 22));
    b->setIconSize(DesignSize(this, 16, 16));
    b->setFocusPolicy(Qt::NoFocus);
    ToolBar1->addWidget(b);
    return b;
  };
  ToolButton7 = actionButton("ToolButton7", EditCut1);
  ToolButton8 = actionButton("ToolButton8", EditCopy1);
  ToolButton9 = actionButton("ToolButton9", EditPaste1);
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

  File1 = menu("File1", "&File");
  SetInput1 = item(File1, "SetInput1", "Set &Input", QKeySequence(Qt::CTRL | Qt::Key_O),
                   &MainWindow::SetInput1Click, ToolIcon(ToolImage::Open));
  SetOutput1 = item(File1, "SetOutput1", "Set &Output", QKeySequence(Qt::CTRL | Qt::Key_S),
                    &MainWindow::SetOutput1Click, ToolIcon(ToolImage::Save));
  File1->addSeparator();
  Run1 = item(File1, "Run1", "&Run", QKeySequence(Qt::CTRL | Qt::Key_R),
              &MainWindow::RunButtonClick, ToolIcon(ToolImage::Run));
  File1->addSeparator();
  Exit1 = item(File1, "Exit1", "E&xit", QKeySequence(), &MainWindow::Exit1Click);

  Edit4 = menu("Edit4", "&Edit");
  Cut1 = item(Edit4, "Cut1", "Cu&t", QKeySequence(Qt::CTRL | Qt::Key_X),
              &MainWindow::EditCut1Execute, ToolIcon(ToolImage::Cut));
  Copy1 = item(Edit4, "Copy1", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_C),
               &MainWindow::EditCopy1Execute, ToolIcon(ToolImage::Copy));
  Paste1 = item(Edit4, "Paste1", "&Paste", QKeySequence(Qt::CTRL | Qt::Key_V),
                &MainWindow::EditPaste1Execute, ToolIcon(ToolImage::Paste));
  for (QAction* a : {Cut1, Copy1, Paste1}) a->setToolTip(a->text().remove(QLatin1Char('&')));
  Edit4->addSeparator();
  OutputEditor11 = item(Edit4, "OutputEditor11", "Output Editor &1",
                        QKeySequence(Qt::CTRL | Qt::Key_E), &MainWindow::Editor1Click);
  OutputEditor21 = item(Edit4, "OutputEditor21", "Output Editor &2",
                        QKeySequence(Qt::CTRL | Qt::Key_F), &MainWindow::Editor2Click);

  Options1 = menu("Options1", "&Options");
  Split1 = Named(Options1->addAction(QStringLiteral("S&plit")), "Split1");
  Split1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  Split1->setCheckable(true);
  Split1->setChecked(false);
  connect(Split1, &QAction::triggered, this, Handler(&MainWindow::Split1Click));

  Help1 = menu("Help1", "&Help");
  Contents1 = item(Help1, "Contents1", "&Contents", QKeySequence(), &MainWindow::Contents1Click);
  About1 = item(Help1, "About1", "&About", QKeySequence(), &MainWindow::About1Click);

  // The edit actions are enabled as the focused field allows.
  connect(Edit4, &QMenu::aboutToShow, this, &MainWindow::UpdateEditActions);
  connect(qApp, &QApplication::focusChanged, this, &MainWindow::UpdateEditActions);
  connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
          &MainWindow::UpdateEditActions);
  for (QLineEdit* e : findChildren<QLineEdit*>())
    connect(e, &QLineEdit::selectionChanged, this, &MainWindow::UpdateEditActions);
  connect(Memo1, &QPlainTextEdit::selectionChanged, this, &MainWindow::UpdateEditActions);
}

void MainWindow::SetTabOrder() {
  QWidget* order[] = {Edit1,      Edit2,  Edit3,  Memo1,  Edit5,  Edit6,   Edit7,   Edit8,
                      Edit9,      Edit10, Edit11, Edit12, Edit13, Edit14,  Edit15,  RadioNotation,
                      RadioMoves, Edit16, Edit17, Edit18, Edit19, Button1, Button2, Button3};
  for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
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
  if (ToolBar1 && centralWidget())
    ToolBar1->setGeometry(0, 0, centralWidget()->width(), DesignPixels(this, 29));
}

std::function<void()> MainWindow::Handler(void (MainWindow::*handler)()) {
  return [this, handler] { RunHandler([this, handler] { (this->*handler)(); }); };
}

}  // namespace kelvane
