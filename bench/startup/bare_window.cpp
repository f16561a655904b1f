// The floor of the start-up on a machine: a Qt program showing one label in a window of the
// utility's size, ending as soon as it has been painted once (the paint done, as the probe
// takes it). It prints what the start-up probe prints, so that scripts/bench-startup.py
// measures both the same way:
//   startup <ns> <kB>

#include "bench/startup/stamp.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>


namespace {

class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !done_) {
            done_ = true;
            // As the probe: the moment after the paint has been handed to the display.
            QTimer::singleShot(0, qApp, [] {
                startup::printStamp("startup");
                if (qEnvironmentVariableIsEmpty("PX708_BARE_WINDOW_STAYS"))
                    QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool done_ = false;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Zelmar PX-708 Reader Utility"));
    label.resize(802, 586);
    FirstPaint watch;
    app.installEventFilter(&watch);
    label.show();
    return app.exec();
}
