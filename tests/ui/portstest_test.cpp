// The serial ports test of "Settings (1)": every port number 1 to 60 is mapped, present ones to
// pseudo-terminals and the others to paths that do not exist, so that the machine's own
// /dev/ttyS* devices play no part.

#include "link/readerlink.h"
#include "serial/comport.h"
#include "serial/portmap.h"
#include "tests/ui/uitestsupport.h"
#include "ui/form1.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>

#include <map>
#include <memory>
#include <ostream>
#include <set>

namespace {

using namespace std::chrono_literals;
using uitest::waitFor;

struct PortsCase {
    const char* name;
    std::set<int> present; // port numbers whose device exists (1 to 61)
    int held;              // the utility's own port (0: a missing device, so none is open)
    bool earlierResult;    // Memo2 holds a line before the press
    QStringList listed;
};

// The captions of a button as they are painted, each once.
class CaptionWatch : public QObject {
public:
    explicit CaptionWatch(QPushButton* button) : button_(button) {
        button_->installEventFilter(this);
    }
    QStringList probeCaptions() const {
        return painted_.filter(QRegularExpression(QStringLiteral("^Testing Port ")));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == button_ && event->type() == QEvent::Paint &&
            (painted_.isEmpty() || painted_.last() != button_->text()))
            painted_ << button_->text();
        return false;
    }

private:
    QPushButton* button_;
    QStringList painted_;
};

void PrintTo(const PortsCase& c, std::ostream* os) {
    *os << c.name;
}

class SerialPortsTest : public testing::TestWithParam<PortsCase> {
protected:
    void TearDown() override {
        form.reset();
        px708::setPortMap({});
    }

    void start(const PortsCase& c) {
        std::string ports;
        for (int n = 1; n <= 61; ++n) {
            std::string device;
            if (c.present.contains(n)) {
                peers[n] = std::make_unique<uitest::PtyMaster>();
                device = peers[n]->slavePath();
            } else {
                device = (workspace.root() / ("missing-tty" + std::to_string(n))).string();
            }
            ports += "COM" + std::to_string(n) + "=" + device + "\n";
        }
        workspace.writeIni("[mode]\npause=1\nextra=0\n\n[ports]\n" + ports);
        int missing = 1;
        while (c.present.contains(missing))
            ++missing;
        storePort(c.held ? c.held : missing);
        form = std::make_unique<TForm1>();
        form->ensurePages();
        form->show();
        form->Page()->setCurrentIndex(px708::page::settings1);
    }

    static void storePort(int port) {
        px708::Database db;
        db.connect();
        px708::Table tblc(db, QStringLiteral("tblc"), px708::settingsSchema());
        tblc.setFileName(QString::fromLatin1(px708::kSettingsFileName));
        tblc.open();
        tblc.edit();
        tblc.fieldByName(u"port").setAsInteger(port);
        tblc.post();
    }

    template <class T> T* control(const char* name) const {
        return form->findChild<T*>(QString::fromLatin1(name));
    }

    uitest::Workspace workspace;
    uitest::DialogRecorder dialogs;
    std::map<int, std::unique_ptr<uitest::PtyMaster>> peers;
    std::unique_ptr<TForm1> form;
};

TEST_P(SerialPortsTest, ListsThePortsThatCanBeOpenedNow) {
    const PortsCase& c = GetParam();
    start(c);
    ASSERT_EQ(form->Com1().Open(), c.held != 0);
    auto* memo = control<QPlainTextEdit>("Memo2");
    auto* button = control<QPushButton>("Button72");
    ASSERT_TRUE(memo && button);
    if (c.earlierResult)
        memo->setPlainText(QStringLiteral("Port7 available"));
    const CaptionWatch captions(button);

    QTest::mouseClick(button, Qt::LeftButton);

    EXPECT_EQ(memo->toPlainText(), c.listed.join(QLatin1Char('\n')));
    EXPECT_EQ(button->text(), QStringLiteral("Serial Ports Test"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QStringList counted;
    for (int n = 1; n <= 60; ++n)
        counted << QStringLiteral("Testing Port %1").arg(n);
    EXPECT_EQ(captions.probeCaptions(), counted);

    if (c.held) {
        // The utility's own port is neither closed nor disturbed: it still receives.
        ASSERT_TRUE(form->Com1().Open());
        peers[c.held]->write("ZZOK\r");
        auto* memo1 = control<QPlainTextEdit>("Memo1");
        EXPECT_TRUE(waitFor([&] { return memo1->toPlainText().contains("ZZOK"); }, 3s));
    }
}

INSTANTIATE_TEST_SUITE_P(Ports, SerialPortsTest,
                         testing::Values(PortsCase{"ports_1_and_3_with_3_held_by_the_utility",
                                                   {1, 3},
                                                   3,
                                                   false,
                                                   {QStringLiteral("Port1 available")}},
                                         PortsCase{"no_ports_at_all", {}, 0, false, {}},
                                         PortsCase{"port_61_is_never_probed",
                                                   {2, 61},
                                                   0,
                                                   false,
                                                   {QStringLiteral("Port2 available")}},
                                         PortsCase{"a_second_press_clears_the_earlier_result",
                                                   {1, 60},
                                                   1,
                                                   true,
                                                   {QStringLiteral("Port60 available")}}),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
