#pragma once
// The main window started against a pseudo-terminal mapped as COM1 with a short pause, and
// the operator's hands on the two reader pages: clicks on tabs, buttons and radio items,
// typing, leaving an edit with Tab.

#include "link/readerlink.h"
#include "serial/comport.h"
#include "serial/portmap.h"
#include "tests/ui/uitestsupport.h"
#include "ui/form1.h"
#include "ui/radiogroup.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>

#include <memory>
#include <string>

namespace pagestest {

using namespace std::chrono_literals;
using uitest::waitFor;

inline const std::string kToZelmar = "\x1A"
                                     "0\r";
inline const QString kRefusalText =
    QStringLiteral("The reader returned an ERROR message. Try again.");

class Operator {
public:
    // Starts the window on a port named by its device path.
    void start(const std::string& device) {
        workspace.writeIni("[mode]\npause=2\nextra=0\n\n[ports]\nCOM1=" + device + "\n");
        form = std::make_unique<TForm1>();
        form->ensurePages();
        form->show();
        form->activateWindow();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        ASSERT_TRUE(form->Com1().Open()) << "COM1 did not open on " << device;
    }
    void stop() {
        form.reset();
        px708::setPortMap({});
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }

    template <class T = QWidget> T* control(const char* name) const {
        T* w = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << "no control " << name;
        return w;
    }

    // A click on the page's tab, as the operator changes page.
    void selectPage(int index) {
        QTabBar* bar = form->Page()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
        ASSERT_EQ(form->Page()->currentIndex(), index);
    }
    void click(const char* button) {
        QAbstractButton* b = control<QAbstractButton>(button);
        ASSERT_TRUE(b && b->isVisible()) << button << " is not on the shown page";
        QTest::mouseClick(b, Qt::LeftButton);
    }
    // A click on the radio mark of item index.
    void choose(const char* group, int index) {
        QRadioButton* r = control<TRadioGroup>(group)->button(index);
        ASSERT_NE(r, nullptr);
        QTest::mouseClick(r, Qt::LeftButton, {}, QPoint(8, r->height() / 2));
        ASSERT_TRUE(r->isChecked()) << group << " item " << index << " was not selected";
    }
    // Clicks into the edit, selects what it holds and types over it.
    void type(const char* edit, const QString& text) {
        QLineEdit* e = control<QLineEdit>(edit);
        QTest::mouseClick(e, Qt::LeftButton);
        e->selectAll();
        QTest::keyClicks(e, text);
    }
    void leave() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); }

    QString text(const char* name) const {
        QWidget* w = control(name);
        if (auto* e = qobject_cast<QLineEdit*>(w))
            return e->text();
        if (auto* l = qobject_cast<QLabel*>(w))
            return l->text();
        if (auto* m = qobject_cast<QPlainTextEdit*>(w))
            return m->toPlainText();
        return {};
    }
    int index(const char* group) const { return control<TRadioGroup>(group)->itemIndex(); }

    // Waits for a control to show a text; true when it did.
    bool shows(const char* name, const QString& expected) {
        return waitFor([&] { return text(name) == expected; }, 3s);
    }

    px708::ReaderLink& link() { return form->link(); }

    std::unique_ptr<TForm1> form;
    uitest::Workspace workspace;
    uitest::DialogRecorder dialogs;
};

} // namespace pagestest
