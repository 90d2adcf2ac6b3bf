// The program's own help window: Kelvane.html in a browser, at its contents or at a topic.
#pragma once

#include <QWidget>
#include <string>

class QKeyEvent;
class QPushButton;
class QTextBrowser;

namespace kelvane {

class HelpViewer : public QWidget {
  Q_OBJECT
 public:
  explicit HelpViewer(QWidget* parent = nullptr);

  QTextBrowser* Browser;
  QPushButton* ContentsButton;
  QPushButton* BackButton;
  QPushButton* ForwardButton;

  // Shows the help file at its contents (topic 0) or at the anchor "topicN".
  void ShowTopic(const std::string& helpFile, int topic);

 protected:
  // Escape closes the help window.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::string helpFile_;
};

// Where a window whose frame has the given size goes beside parent (a frame rectangle)
// within the screen's available area: to its right, else to its left, else above, else
// below it; else narrowed beside it, on the side with more room, when that room is at least
// half the width; else where it covers the least of the parent. The size is cut to the
// area when it is larger. The parent is never moved.
QRect PlaceBeside(const QRect& parent, QSize size, const QRect& screen);

// Where the help file is: beside the program, in the data folder next to the program's
// bin folder, in the installed data folder, or in the source tree's help folder; "" when
// none of them holds it.
std::string FindHelpFile();
// Looks for the help file at path only (empty: back to the usual places).
void SetHelpFileOverride(const std::string& path);

// Opens the help window at the topic, or raises the one already open; when the help file
// cannot be found, says so and returns nullptr.
HelpViewer* ShowHelpWindow(int topic);
// The help window if one is open, else nullptr.
HelpViewer* CurrentHelpWindow();
// Closes and destroys the help window.
void CloseHelpWindow();

}  // namespace kelvane
