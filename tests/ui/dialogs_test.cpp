#include "tests/ui/uitestsupport.h"
#include "ui/errorbox.h"
#include "ui/formmessage.h"
#include "ui/modal.h"
#include "ui/portselectform.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include <stdexcept>

namespace {

TEST(MessageDialog, LooksAsTheOperatorKnowsIt) {
    TFormmessage dialog;
    dialog.setText(QStringLiteral("No read"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Message"));
    EXPECT_EQ(dialog.size(), QSize(552, 200));
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);

    auto* panel = dialog.findChild<QFrame*>(QStringLiteral("Panel1"));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->palette().color(QPalette::Window), QColor(255, 128, 192));
    EXPECT_TRUE(panel->font().bold());
    EXPECT_EQ(panel->font().pixelSize(), 16);

    auto* caption = panel->findChild<QLabel*>();
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->text(), QStringLiteral("No read"));
    EXPECT_TRUE(caption->alignment() & Qt::AlignHCenter);

    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("BitBtn1"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->isDefault());
}

TEST(MessageDialog, OkButtonClosesIt) {
    TFormmessage dialog;
    dialog.show();
    dialog.findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
}

struct PortListCase {
    const char* name;
    std::vector<int> available;
    QStringList entries;
    int choose;     // entry the operator picks, -1 to leave the preselection
    bool accept;    // OK rather than Cancel
    int chosenPort; // what the component gets back; 0 means no port
};

class PortSelectTest : public testing::TestWithParam<PortListCase> {};

TEST_P(PortSelectTest, ListsOpenablePortsAndReturnsTheChoice) {
    const PortListCase& c = GetParam();
    uitest::DialogRecorder recorder;
    QStringList listed;
    bool okEnabled = false;
    recorder.setAnswer([&](QDialog& d) -> std::optional<int> {
        auto& form = dynamic_cast<TPortSelectForm&>(d);
        auto* combo = form.findChild<QComboBox*>();
        for (int i = 0; i < combo->count(); ++i)
            listed << combo->itemText(i);
        if (c.choose >= 0)
            combo->setCurrentIndex(c.choose);
        okEnabled = form.okButton()->isEnabled();
        return c.accept ? QDialog::Accepted : QDialog::Rejected;
    });

    EXPECT_EQ(TPortSelectForm::choosePort(c.available, nullptr), c.chosenPort);
    ASSERT_EQ(recorder.shown().size(), 1u);
    EXPECT_EQ(recorder.shown()[0].title, QStringLiteral("Select Port"));
    EXPECT_EQ(listed, c.entries);
    EXPECT_EQ(okEnabled, !c.available.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Ports, PortSelectTest,
    testing::Values(
        PortListCase{"FirstEntryPreselected", {3, 7, 12}, {"COM3", "COM7", "COM12"}, -1, true, 3},
        PortListCase{"TwoDigitNumberChosen", {3, 7, 12}, {"COM3", "COM7", "COM12"}, 2, true, 12},
        PortListCase{"CancelChoosesNothing", {3, 7}, {"COM3", "COM7"}, 1, false, 0},
        // With nothing to list OK is disabled, and no port number can come out of it.
        PortListCase{"EmptyListGivesNoPort", {}, {}, -1, true, 0}),
    [](const testing::TestParamInfo<PortListCase>& row) { return std::string(row.param.name); });

TEST(PortSelectForm, ShowsTheTwoLinesOfExplanation) {
    TPortSelectForm form({1});
    QStringList texts;
    for (const QLabel* l : form.findChildren<QLabel*>())
        texts << l->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("The configured serial port is not valid.")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Please choose another port.")));
    EXPECT_TRUE(form.okButton()->isDefault());
}

TEST(StandardErrorBox, ShowsTheExceptionTextUnderTheApplicationName) {
    uitest::DialogRecorder recorder;
    const bool ok = px708::guarded(nullptr, [] { throw std::runtime_error("Device not open"); });
    EXPECT_FALSE(ok);
    ASSERT_EQ(recorder.shown().size(), 1u);
    const uitest::ShownDialog& box = recorder.shown()[0];
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(box.title, QCoreApplication::applicationName());
    EXPECT_EQ(box.text, QStringLiteral("Device not open"));
}

TEST(StandardErrorBox, ExceptionFromAnEventHandlerStopsAtTheApplication) {
    // A handler that throws inside event delivery must not unwind through the event loop.
    struct Thrower : QObject {
        bool event(QEvent* e) override {
            if (e->type() == QEvent::User)
                throw std::runtime_error("Buffer is empty");
            return QObject::event(e);
        }
    } thrower;
    uitest::DialogRecorder recorder;
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QCoreApplication::sendPostedEvents(&thrower, QEvent::User);
    ASSERT_EQ(recorder.errorBoxes().size(), 1u);
    EXPECT_EQ(recorder.errorBoxes()[0].text, QStringLiteral("Buffer is empty"));
}

} // namespace
