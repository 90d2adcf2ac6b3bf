#include "app/help_viewer.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "app/design_pixels.h"
#include "platform/dialogs.h"

namespace kelvane {

namespace {
const char* const kHelpFileName = "Kelvane.html";

std::string helpFileOverride;
QPointer<HelpViewer> viewer;

bool IsFile(const std::string& path) {
  return QFileInfo(QString::fromLocal8Bit(path)).isFile();
}

// A help window opened while a modal dialog is up would be blocked by it; it becomes that
// dialog's own window until the dialog closes, then a window of its own again.
void KeepUsableBesideModal(HelpViewer* w) {
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal || modal == w || modal->isAncestorOf(w) || w->parentWidget() == modal) return;
  const QRect place = w->geometry();
  const bool shown = w->isVisible();
  w->setParent(modal, Qt::Window);
  w->setGeometry(place);
  if (shown) w->show();
  if (auto* dialog = qobject_cast<QDialog*>(modal)) {
    QObject::connect(
        dialog, &QDialog::finished, w,
        [w] {
          const QRect where = w->geometry();
          const bool visible = w->isVisible();
          w->setParent(nullptr, Qt::Window);
          w->setGeometry(where);
          if (visible) w->show();
        },
        Qt::SingleShotConnection);
  }
}
}  // namespace

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
  KeepUsableBesideModal(viewer);
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
