#include "app/text_box_frame.h"

#include <QEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStyleOptionFrame>
#include <QVBoxLayout>

namespace kelvane {

TextBoxFrame::TextBoxFrame(QWidget* parent) : QWidget(parent), box_(new QPlainTextEdit(this)) {
  box_->setFrameShape(QFrame::NoFrame);
  auto* layout = new QVBoxLayout(this);
  const int inset = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) + 1;
  layout->setContentsMargins(inset, inset, inset, inset);
  layout->addWidget(box_);
  // The frame follows the box's focus, as a line edit's does.
  box_->installEventFilter(this);
  setFocusProxy(box_);
}

void TextBoxFrame::paintEvent(QPaintEvent*) {
  QStyleOptionFrame option;
  option.initFrom(this);
  option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
  option.midLineWidth = 0;
  option.state |= QStyle::State_Sunken;
  if (box_->hasFocus()) option.state |= QStyle::State_HasFocus;
  if (!box_->isEnabled()) option.state &= ~QStyle::State_Enabled;
  option.palette = box_->palette();
  QPainter painter(this);
  style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
}

bool TextBoxFrame::eventFilter(QObject* watched, QEvent* event) {
  if (watched == box_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
    update();
  return QWidget::eventFilter(watched, event);
}

}  // namespace kelvane
