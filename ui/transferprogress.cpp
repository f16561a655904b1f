#include "ui/transferprogress.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {

// Received serial data reaches the main thread through a socket notifier; while the work runs
// its activations are held back. The notifier fires again as long as its data waits, so the
// data is taken up as soon as the work has ended.
class HoldBackReceivedData : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::SockAct; }
};

} // namespace

TransferProgress::TransferProgress(QWidget* parent, const QString& title,
                                   std::chrono::milliseconds showAfter)
    : parent_(parent), title_(title), showAfter_(showAfter) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    started_.start();
}

TransferProgress::~TransferProgress() {
    dialog_.reset();
    QApplication::restoreOverrideCursor();
}

void TransferProgress::update(const QString& text, qint64 done, qint64 total) {
    if (!dialog_) {
        if (started_.elapsed() < showAfter_.count())
            return;
        show();
    } else if (lastPaint_.elapsed() < kPaintEvery.count()) {
        return;
    }
    text_->setText(text);
    if (total > 0) {
        // The bar counts in thousandths, so that byte counts beyond int fit.
        bar_->setRange(0, 1000);
        bar_->setValue(static_cast<int>(done * 1000 / total));
    } else {
        bar_->setRange(0, 0);
    }
    paint();
}

void TransferProgress::show() {
    dialog_ = std::make_unique<QDialog>(parent_,
                                        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    dialog_->setObjectName(QStringLiteral("TransferProgress"));
    dialog_->setWindowTitle(title_);
    dialog_->setAccessibleName(title_);
    dialog_->setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(dialog_.get());
    text_ = new QLabel(dialog_.get());
    text_->setObjectName(QStringLiteral("progressText"));
    text_->setMinimumWidth(320);
    bar_ = new QProgressBar(dialog_.get());
    bar_->setObjectName(QStringLiteral("progressBar"));
    bar_->setAccessibleName(title_);
    bar_->setTextVisible(false);
    layout->addWidget(text_);
    layout->addWidget(bar_);
    holdBack_ = std::make_unique<HoldBackReceivedData>();
    dialog_->show();
}

void TransferProgress::paint() {
    QCoreApplication* app = QCoreApplication::instance();
    app->installEventFilter(holdBack_.get());
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    app->removeEventFilter(holdBack_.get());
    lastPaint_.start();
}
