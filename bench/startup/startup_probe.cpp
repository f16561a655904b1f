// Starts as the utility does (app/main.cpp) and ends when the main window has been painted for
// the first time and its other pages are built, printing on one line the wall-clock time when
// the first paint is done (nanoseconds since the epoch, CLOCK_REALTIME) and the resident memory in
// kilobytes, and on a second line the same when the pages are there:
//   startup <ns> <kB>
//   pages <ns> <kB>
// The caller takes the time before it starts the probe; the difference is the start-up as the
// operator sees it, loading of the libraries included. The first-run Setup dialog, should it
// come, is answered with its preselected settings.

#include "bench/startup/stamp.h"
#include "ui/application.h"
#include "ui/form1.h"
#include "ui/formmessage.h"
#include "ui/modal.h"

#include <QDialog>
#include <QEvent>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace {

// The first paint of the window, seen at the first paint of any of its widgets (the window
// itself is covered by its panels).
class FirstPaint : public QObject {
public:
    explicit FirstPaint(QWidget* window) : window_(window) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Paint && !done_ && widget && widget->window() == window_) {
            done_ = true;
            // The window paints all its widgets and hands the picture to the display in one
            // go; the moment after is when the operator sees it.
            QTimer::singleShot(0, qApp, [this] {
                startup::printStamp("startup");
                waitForPages();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    // The other pages follow the first paint; the moment they are all there, their pictures
    // decoded, is the second line:
    //   pages <ns> <kB>
    void waitForPages() {
        if (!static_cast<TForm1*>(window_)->pagesBuilt()) {
            QTimer::singleShot(0, qApp, [this] { waitForPages(); });
            return;
        }
        startup::printStamp("pages");
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }

    QWidget* window_;
    bool done_ = false;
};

} // namespace

int main(int argc, char** argv) {
    px708::TApplication app(argc, argv);
    px708::setModalHook([](QDialog& dialog) -> std::optional<int> {
        if (auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("BitBtn1")))
            ok->click();
        return QDialog::Accepted;
    });
    auto Form1 = std::make_unique<TForm1>();
    auto Formmessage = std::make_unique<TFormmessage>(Form1.get());
    FirstPaint watch(Form1.get());
    app.installEventFilter(&watch);
    Form1->show();
    return app.exec();
}
