#pragma once
// The main window started on a scratch database folder and a pseudo-terminal mapped as COM1,
// with the operator's hands: clicks, typing, leaving a control, and rows written into a
// readings table before the start, as another program would.

#include "link/readerlink.h"
#include "serial/comport.h"
#include "serial/portmap.h"
#include "store/database.h"
#include "store/datesettings.h"
#include "store/readingstables.h"
#include "store/schemas.h"
#include "store/table.h"
#include "tests/ui/uitestsupport.h"
#include "ui/datapage.h"
#include "ui/form1.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace datapagetest {

using namespace std::chrono_literals;
using uitest::waitFor;

struct Reading {
    QString tag;
    QString alpha;
    std::optional<bool> flagged;
    QDate date;
};

class Operator {
public:
    explicit Operator(uitest::Workspace::Database db = uitest::Workspace::Database::SetUp)
        : workspace(db) {}
    ~Operator() { stop(); }

    void start(const std::string& morePorts = "") {
        workspace.writeIni("[mode]\npause=1\nextra=0\n\n[ports]\nCOM1=" + peer.slavePath() + "\n" +
                           morePorts);
        form = std::make_unique<TForm1>();
        form->show();
        form->activateWindow();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        // The pages other than the cover follow the window's first paint.
        ASSERT_TRUE(QTest::qWaitFor([this] { return form->pagesBuilt(); }));
    }
    void stop() {
        if (form)
            form->close();
        form.reset();
        px708::setPortMap({});
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }
    void restart(const std::string& morePorts = "") {
        stop();
        start(morePorts);
    }

    // Rows appended to readings table n while the window is not running.
    static void addReadings(int n, const std::vector<Reading>& rows) {
        px708::Database db;
        db.connect();
        px708::Table t(db, QStringLiteral("seed"), px708::readingsSchema());
        t.setFileName(px708::readingsTableFileName(n));
        t.open();
        for (const Reading& r : rows) {
            t.insert();
            t.fieldByName(u"tag").setAsString(r.tag);
            t.fieldByName(u"Alpha").setAsString(r.alpha);
            if (r.flagged)
                t.fieldByName(u"Flagged").setAsBoolean(*r.flagged);
            if (r.date.isValid())
                t.fieldByName(u"Date_").setAsDate(r.date);
            t.post();
        }
    }

    template <class T = QWidget> T* control(const char* name) const {
        T* w = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << "no control " << name;
        return w;
    }
    void selectPage(int index) { form->Page()->setCurrentIndex(index); }
    void click(const char* button) {
        auto* b = control<QAbstractButton>(button);
        ASSERT_TRUE(b && b->isVisible()) << button << " is not on the shown page";
        QTest::mouseClick(b, Qt::LeftButton);
    }
    // Clicks into the edit, selects what it holds and types over it.
    void type(const char* edit, const QString& text) {
        auto* e = control<QLineEdit>(edit);
        QTest::mouseClick(e, Qt::LeftButton);
        e->selectAll();
        if (text.isEmpty())
            QTest::keyClick(e, Qt::Key_Delete);
        else
            QTest::keyClicks(e, text);
    }
    void leave() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); }

    px708::Table& tbld() { return form->tbld(); }
    px708::Table& tblc() { return form->tblc(); }
    QTableView* grid() { return form->dataPage()->Grid1(); }
    QString cell(int row, int column) {
        return grid()->model()->index(row, column).data().toString();
    }
    QString title(int column) {
        return grid()->model()->headerData(column, Qt::Horizontal).toString();
    }

    uitest::Workspace workspace;
    uitest::PtyMaster peer;
    uitest::DialogRecorder dialogs;
    std::unique_ptr<TForm1> form;
};

} // namespace datapagetest
