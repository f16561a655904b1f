#pragma once
// The application object. Besides QApplication's work it is the last line of defence for
// exceptions: one that escapes an event handler is shown in the standard error box here
// instead of unwinding through Qt's event loop.
//
// Thread affinity: created and used on the main thread.

#include <QApplication>

namespace px708 {

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace px708
