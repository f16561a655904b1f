#include "ui/application.h"

#include "ui/accessibility.h"
#include "ui/errorbox.h"

namespace px708 {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("px708"));
    setApplicationVersion(QStringLiteral(PX708_VERSION));
    installAccessibleInterfaces();
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    guarded(activeWindow(), [&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace px708
