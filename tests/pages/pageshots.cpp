// Shows the main window on one page, for looking at the page layouts under a display:
//   pageshots PAGE [FILE.png | ""] [WIDTHxHEIGHT]
// With FILE the window is grabbed into it and the program ends; without it, it keeps running
// for a screenshot of the screen. Every dialog is answered at once, so none waits.

#include "tests/ui/uitestsupport.h"
#include "ui/application.h"
#include "ui/form1.h"

#include <QTabWidget>
#include <QTimer>

#include <cstdlib>

int main(int argc, char** argv) {
    px708::TApplication app(argc, argv);
    if (argc < 2)
        return 2;
    uitest::Workspace workspace;
    uitest::DialogRecorder dialogs;
    TForm1 form;
    form.ensurePages();
    form.show();
    form.selectPage(std::atoi(argv[1]));
    if (argc > 3) {
        int w = 0, h = 0;
        if (std::sscanf(argv[3], "%dx%d", &w, &h) == 2)
            form.resize(w, h);
    }
    if (argc > 2 && argv[2][0] != 0) {
        const QString file = QString::fromLocal8Bit(argv[2]);
        QTimer::singleShot(500, &form, [&form, file] {
            form.grab().save(file);
            QApplication::quit();
        });
    }
    return app.exec();
}
