#include "app/progress_dialog.h"

#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/design_pixels.h"
#include "app/progress_line.h"

namespace kelvane {

namespace {
constexpr int kBarSteps = 1000;

// A count with thousands separators, in the user's locale; grouped even in the C locale,
// which Qt leaves ungrouped.
QString Count(int64_t n) {
  QLocale locale;
  locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
  return locale.toString(static_cast<qlonglong>(n));
}
}  // namespace

ProgressDialog::ProgressDialog(QWidget* parent, bool split, bool counting)
    : QDialog(parent), split_(split), counting_(counting) {
  setObjectName(QStringLiteral("ScanProgress"));
  setWindowTitle(QStringLiteral("Scanning"));
  auto* layout = new QVBoxLayout(this);
  bar_ = new QProgressBar(this);
  bar_->setObjectName(QStringLiteral("ScanProgressBar"));
  bar_->setRange(0, kBarSteps);
  games_ = new QLabel(this);
  games_->setObjectName(QStringLiteral("ScanProgressGames"));
  amount_ = new QLabel(this);
  amount_->setObjectName(QStringLiteral("ScanProgressAmount"));
  speed_ = new QLabel(this);
  speed_->setObjectName(QStringLiteral("ScanProgressSpeed"));
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setObjectName(QStringLiteral("ScanProgressCancel"));
  layout->addWidget(bar_);
  layout->addWidget(amount_);
  layout->addWidget(games_);
  layout->addWidget(speed_);
  layout->addWidget(cancel_, 0, Qt::AlignRight);
  connect(cancel_, &QPushButton::clicked, this, &ProgressDialog::reject);
  setMinimumWidth(DesignPixels(this, 360));
  Show({}, 0);
}

void ProgressDialog::Show(const ScanProgress& p, double seconds) {
  if (p.totalBytes > 0) {
    bar_->setRange(0, kBarSteps);
    bar_->setValue(static_cast<int>(
        kBarSteps * std::min(1.0, static_cast<double>(p.bytesRead) / p.totalBytes)));
  } else {
    bar_->setRange(0, 0);  // a size that is not known (yet): a busy bar
  }
  QString games = (counting_ ? QStringLiteral("%1 games read, %2 selected")
                             : QStringLiteral("%1 games read, %2 written"))
                      .arg(Count(p.gamesRead), Count(p.gamesWritten));
  if (split_) games += QStringLiteral(", %1 to the split file").arg(Count(p.splitWritten));
  games_->setText(games);
  amount_->setText(QString::fromStdString(ProgressAmount(p)));
  speed_->setText(QString::fromStdString(ProgressSpeed(p, seconds)));
}

void ProgressDialog::reject() {
  cancel_->setEnabled(false);
  cancel_->setText(QStringLiteral("Cancelling..."));
  emit cancelRequested();
}

}  // namespace kelvane
