#include "app/help_viewer.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "app/design_pixels.h"
#include "platform/dialogs.h"

namespace kelvane {

namespace {
const char* const kHelpFileName = "Kelvane.html";

// The help file the tests show in place of the one in the usual places (SetHelpFileOverride);
// empty in the program, which looks only in the usual places.
std::string helpFileOverride;
// The program's one help window: a help request shows or raises it rather than opening a
// second one, and an open one keeps its place. Made at the first request. A QPointer, for
// the window can be destroyed from outside (with a modal window it was made a child of, by
// the launcher at the end), and the next request then makes a new one.
QPointer<HelpViewer> viewer;

bool IsFile(const std::string& path) {
  return QFileInfo(QString::fromLocal8Bit(path)).isFile();
}

// A help window opened while a modal dialog is up would be blocked by it; it becomes that
// dialog's own window until the dialog closes, then a window of its own again.
// Gives w a new parent as a window of its own, keeping its place (frame included) and size.
void Reparent(QWidget* w, QWidget* parent) {
  const QPoint place = w->pos();
  const QSize size = w->size();
  const bool shown = w->isVisible();
  w->setParent(parent, Qt::Window);
  w->resize(size);
  w->move(place);
  if (shown) w->show();
}

void KeepUsableBesideModal(HelpViewer* w) {
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal || modal == w || modal->isAncestorOf(w) || w->parentWidget() == modal) return;
  Reparent(w, modal);
  if (auto* dialog = qobject_cast<QDialog*>(modal)) {
    QObject::connect(
        dialog, &QDialog::finished, w, [w] { Reparent(w, nullptr); }, Qt::SingleShotConnection);
  }
}

// The window help is opened from: a modal dialog, else the active window.
QWidget* HelpParent(const HelpViewer* viewer) {
  QWidget* w = QApplication::activeModalWidget();
  if (!w) w = QApplication::activeWindow();
  return w && w != viewer && w->isVisible() ? w : nullptr;
}

// Puts a help window that opens beside the window it is opened from, on that window's
// screen. Until the window has been shown its frame is unknown; the parent's frame stands
// in for it.
void PlaceHelpWindow(HelpViewer* w, QWidget* parent) {
  QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  const QSize frame =
      parent ? parent->frameGeometry().size() - parent->geometry().size() : QSize(0, 0);
  QRect place;
  if (parent) {
    place = PlaceBeside(parent->frameGeometry(), w->size() + frame, area);
  } else {
    // Without a window to stand beside, help opens in the middle of the screen.
    const QSize size = w->size().boundedTo(area.size());
    place = QRect(area.center() - QPoint(size.width() / 2, size.height() / 2), size);
  }
  w->resize(place.size() - frame);
  w->move(place.topLeft());
}
}  // namespace

QRect PlaceBeside(const QRect& parent, QSize size, const QRect& screen) {
  size = size.boundedTo(screen.size());
  auto within = [&](int v, int low, int length, int room) {
    return std::clamp(v, low, low + room - length);
  };
  const int top = within(parent.top(), screen.top(), size.height(), screen.height());
  const int left = within(parent.left(), screen.left(), size.width(), screen.width());
  const QRect candidates[] = {
      {QPoint(parent.right() + 1, top), size},
      {QPoint(parent.left() - size.width(), top), size},
      {QPoint(left, parent.top() - size.height()), size},
      {QPoint(left, parent.bottom() + 1), size},
  };
  for (const QRect& r : candidates)
    if (screen.contains(r)) return r;
  // No side holds the whole size: beside the parent on the side with more room, narrowed to
  // that room, as long as that leaves at least half the width asked for.
  const int roomRight = screen.right() - parent.right();
  const int roomLeft = parent.left() - screen.left();
  const int room = std::max(roomRight, roomLeft);
  if (room >= (size.width() + 1) / 2) {
    const int x = roomRight >= roomLeft ? parent.right() + 1 : screen.left();
    return {QPoint(x, top), QSize(room, size.height())};
  }
  // No room for both: where the help covers the least of the parent, at an edge of the
  // screen (right before left, level with the parent before the top and the bottom).
  const int xs[] = {screen.right() + 1 - size.width(), screen.left()};
  const int ys[] = {top, screen.top(), screen.bottom() + 1 - size.height()};
  QRect best;
  long long bestCover = -1;
  for (int x : xs) {
    for (int y : ys) {
      const QRect r(QPoint(x, y), size);
      const QRect common = r.intersected(parent);
      const long long cover = common.isEmpty() ? 0 : 1LL * common.width() * common.height();
      if (bestCover < 0 || cover < bestCover) {
        best = r;
        bestCover = cover;
      }
    }
  }
  return best;
}

HelpViewer::HelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("HelpViewer");
  setWindowTitle("Kelvane Help");
  // Closing the main window ends the program even while help is open.
  setAttribute(Qt::WA_QuitOnClose, false);

  Browser = new QTextBrowser(this);
  Browser->setObjectName("Browser");
  Browser->setOpenExternalLinks(true);
  ContentsButton = new QPushButton("Contents", this);
  ContentsButton->setObjectName("ContentsButton");
  BackButton = new QPushButton("Back", this);
  BackButton->setObjectName("BackButton");
  ForwardButton = new QPushButton("Forward", this);
  ForwardButton->setObjectName("ForwardButton");
  BackButton->setEnabled(false);
  ForwardButton->setEnabled(false);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(ContentsButton);
  buttons->addWidget(BackButton);
  buttons->addWidget(ForwardButton);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(Browser);

  connect(ContentsButton, &QPushButton::clicked, this, [this] { ShowTopic(helpFile_, 0); });
  connect(BackButton, &QPushButton::clicked, Browser, &QTextBrowser::backward);
  connect(ForwardButton, &QPushButton::clicked, Browser, &QTextBrowser::forward);
  connect(Browser, &QTextBrowser::backwardAvailable, BackButton, &QPushButton::setEnabled);
  connect(Browser, &QTextBrowser::forwardAvailable, ForwardButton, &QPushButton::setEnabled);

  resize(DesignSize(this, 680, 620));
}

void HelpViewer::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void HelpViewer::ShowTopic(const std::string& helpFile, int topic) {
  helpFile_ = helpFile;
  QUrl url = QUrl::fromLocalFile(QString::fromLocal8Bit(helpFile));
  const QString anchor = topic != 0 ? QString("topic%1").arg(topic) : QString();
  if (!anchor.isEmpty()) url.setFragment(anchor);
  Browser->setSource(url);
  // The browser does not always scroll by itself when only the anchor changes.
  if (anchor.isEmpty()) {
    Browser->verticalScrollBar()->setValue(0);
  } else {
    Browser->scrollToAnchor(anchor);
  }
}

std::string FindHelpFile() {
  if (!helpFileOverride.empty()) return IsFile(helpFileOverride) ? helpFileOverride : "";
  const std::string programDir = QCoreApplication::applicationDirPath().toLocal8Bit().toStdString();
  const std::string candidates[] = {
      programDir + "/" + kHelpFileName,
      programDir + "/../share/kelvane/" + kHelpFileName,
      std::string(KELVANE_DATA_DIR) + "/" + kHelpFileName,
      std::string(KELVANE_HELP_SOURCE_DIR) + "/" + kHelpFileName,
  };
  for (const std::string& path : candidates) {
    if (IsFile(path))
      return QFileInfo(QString::fromLocal8Bit(path))
          .canonicalFilePath()
          .toLocal8Bit()
          .toStdString();
  }
  return "";
}

void SetHelpFileOverride(const std::string& path) {
  helpFileOverride = path;
}

HelpViewer* ShowHelpWindow(int topic) {
  const std::string helpFile = FindHelpFile();
  if (helpFile.empty()) {
    dialogs().ShowMessage("The help file Kelvane.html could not be found.");
    return nullptr;
  }
  if (!viewer) viewer = new HelpViewer;
  QWidget* parent = HelpParent(viewer);
  KeepUsableBesideModal(viewer);
  // A help window that opens is placed afresh; one already open stays where it is.
  if (!viewer->isVisible()) PlaceHelpWindow(viewer, parent);
  viewer->show();
  viewer->ShowTopic(helpFile, topic);
  viewer->raise();
  viewer->activateWindow();
  return viewer;
}

HelpViewer* CurrentHelpWindow() {
  return viewer;
}

void CloseHelpWindow() {
  delete viewer.data();
}

}  // namespace kelvane
