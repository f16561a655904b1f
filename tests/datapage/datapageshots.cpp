// Shows the main window on the Data page with a few readings, or the first-run Setup dialog,
// for looking at the layouts under a display:
//   datapageshots data|names|setup [FILE.png]
// "names" shows readings table 3 with the field names panel open.
// With FILE the window is grabbed into it and the program ends; without it, it keeps running
// for a screenshot of the screen.

#include "store/fieldnames.h"
#include "tests/datapage/datapagefixture.h"
#include "ui/application.h"
#include "ui/formsetup.h"

#include <QSpinBox>

#include <QTimer>

#include <cstring>

int main(int argc, char** argv) {
    px708::TApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const bool setup = std::strcmp(argv[1], "setup") == 0;
    const QString file = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    if (setup) {
        TFormsetup dialog;
        dialog.show();
        if (!file.isEmpty())
            QTimer::singleShot(500, &dialog, [&] {
                dialog.grab().save(file);
                QApplication::quit();
            });
        return app.exec();
    }
    datapagetest::Operator op;
    std::vector<datapagetest::Reading> rows;
    for (int i = 1; i <= 40; ++i)
        rows.push_back({QStringLiteral("%1").arg(964000000000LL + i),
                        QStringLiteral("cow %1").arg(i), i % 3 == 0, QDate(2023, 4, 1).addDays(i)});
    const bool names = std::strcmp(argv[1], "names") == 0;
    datapagetest::Operator::addReadings(names ? 3 : 1, rows);
    op.start();
    // The captions as a new installation names them.
    op.tblc().edit();
    for (const px708::UserFieldName& entry : px708::kUserFieldNames)
        if (entry.captionControl)
            op.tblc()
                .fieldByName(QString::fromLatin1(entry.settingsField))
                .setAsString(QString::fromLatin1(entry.defaultCaption));
    op.tblc().post();
    op.form->dataPage()->do_fieldnames();
    op.selectPage(px708::page::data);
    if (names) {
        op.form->findChild<QSpinBox*>(QStringLiteral("Spin"))->setValue(3);
        op.click("Button45");
        op.click("Button63");
    }
    if (!file.isEmpty())
        QTimer::singleShot(500, op.form.get(), [&] {
            op.form->grab().save(file);
            QApplication::quit();
        });
    return app.exec();
}
