#pragma once
// The main window on a pseudo-terminal with the page "On-Line Settings(4)" shown, for the
// pages that read the reader's readings: the dump on "Zelmar Mode Settings (2)", the on-line
// pages (3) and (4), and the download strip of "Data".

#include "store/table.h"
#include "tests/pages/pagesfixture.h"
#include "ui/datapage.h"
#include "ui/memolines.h"
#include "ui/readingsmodel.h"

#include <QTest>

namespace readingstest {

using namespace std::chrono_literals;
using pagestest::Operator;
using uitest::waitFor;

// Starts the window as Operator::start does, with extra=1 and no pause between characters.
inline void startWindow(Operator& op, const std::string& device) {
    op.workspace.writeIni("[mode]\npause=0\nextra=1\n\n[ports]\nCOM1=" + device + "\n");
    op.form = std::make_unique<TForm1>();
    op.form->ensurePages();
    op.form->show();
    op.form->activateWindow();
    QApplication::setActiveWindow(op.form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(op.form.get()));
    ASSERT_TRUE(op.form->Com1().Open()) << "COM1 did not open on " << device;
}

// A record line: lot, code, clock text, type code, country code.
inline std::string record(const std::string& lot, const std::string& code, const std::string& clock,
                          const std::string& type, const std::string& country) {
    return lot + code + clock + type + country;
}

// The lines of a memo as the operator sees them (an empty line counts).
inline QStringList memoLines(Operator& op, const char* memo) {
    return px708::pages::memoLines(op.control<QPlainTextEdit>(memo));
}

} // namespace readingstest
