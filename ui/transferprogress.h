#pragma once
// TransferProgress: what the operator sees of a long import or export that runs on the main
// thread.
//
// The wait cursor shows for the whole life of the object. Once the work has run for showAfter
// (about half a second), a modal dialog named after the work shows its count and a bar; from
// then on, at most every kPaintEvery, the window is let paint: window-system events are
// handled, while operator input and received serial data wait until the work has ended (they
// are held back, not dropped), so nothing else runs in the middle of the work.
//
// Thread affinity: main thread only.

#include <QElapsedTimer>
#include <QString>

#include <chrono>
#include <memory>

class QDialog;
class QLabel;
class QObject;
class QProgressBar;
class QWidget;

class TransferProgress {
public:
    static constexpr std::chrono::milliseconds kShowAfter{500};
    static constexpr std::chrono::milliseconds kPaintEvery{100};

    TransferProgress(QWidget* parent, const QString& title,
                     std::chrono::milliseconds showAfter = kShowAfter);
    ~TransferProgress();
    TransferProgress(const TransferProgress&) = delete;
    TransferProgress& operator=(const TransferProgress&) = delete;

    // The count in words ("12,345 rows imported") and the bar's position; a total of 0 shows
    // a busy bar. Cheap enough to call for every few hundred rows.
    void update(const QString& text, qint64 done, qint64 total);

    // The dialog once it has been shown, else nullptr.
    QDialog* dialog() const { return dialog_.get(); }

private:
    void show();
    void paint();

    QWidget* parent_;
    QString title_;
    std::chrono::milliseconds showAfter_;
    QElapsedTimer started_;
    QElapsedTimer lastPaint_;
    std::unique_ptr<QDialog> dialog_;
    QLabel* text_ = nullptr;
    QProgressBar* bar_ = nullptr;
    std::unique_ptr<QObject> holdBack_;
};
