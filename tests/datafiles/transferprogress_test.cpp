#include "ui/transferprogress.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QSocketNotifier>
#include <QTest>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using namespace std::chrono_literals;

TEST(TransferProgress, ShortWorkShowsOnlyTheWaitCursor) {
    {
        TransferProgress progress(nullptr, QStringLiteral("Export Table"), 60s);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        progress.update(QStringLiteral("1 of 3 rows exported"), 1, 3);
        EXPECT_EQ(progress.dialog(), nullptr);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Once shown, the dialog carries the count; received data (a socket notifier, as the serial
// port's) waits until the work is over, and is taken up then.
TEST(TransferProgress, LongWorkShowsTheCountAndHoldsReceivedDataBack) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    QSocketNotifier received(fds[0], QSocketNotifier::Read);
    int taken = 0;
    QObject::connect(&received, &QSocketNotifier::activated, [&] {
        char c;
        if (read(fds[0], &c, 1) == 1)
            ++taken;
    });
    ASSERT_EQ(write(fds[1], "x", 1), 1);
    {
        TransferProgress progress(nullptr, QStringLiteral("Import CSV File"), 0ms);
        progress.update(QStringLiteral("1,024 rows imported"), 40, 100);
        QDialog* dialog = progress.dialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_TRUE(dialog->isModal());
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Import CSV File"));
        EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("progressText"))->text(),
                  QStringLiteral("1,024 rows imported"));
        EXPECT_EQ(dialog->findChild<QProgressBar*>(QStringLiteral("progressBar"))->value(), 400);
        for (int i = 0; i < 5; ++i) {
            QTest::qSleep(TransferProgress::kPaintEvery.count() + 10);
            progress.update(QStringLiteral("more"), 50 + i, 100);
        }
        EXPECT_EQ(taken, 0) << "no received data is handled in the middle of the work";
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return taken == 1; }, 5000));
    close(fds[0]);
    close(fds[1]);
}

} // namespace
