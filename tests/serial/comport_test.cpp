// The serial port component and its dispatcher, over real pseudo-terminals.

#include "serial/comport.h"
#include "serial/dispatcher.h"
#include "serial/portmap.h"
#include "serial/portprobe.h"
#include "tests/support/ptypeer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <mutex>
#include <sstream>
#include <sys/file.h>
#include <termios.h>

using namespace std::chrono_literals;
using px708::TComPort;
using px708::test::settle;
using px708::test::waitFor;

namespace {

// The reader's end, read by the test itself.
struct PtyPair : px708::test::PtyPeer {
    PtyPair() : PtyPeer(px708::test::PtyReading::ByTest) {}
};

constexpr int kPort = 7;

class ComPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        px708::setPortMap({{kPort, pty.slavePath()}});
        com.setComNumber(kPort);
        com.setBaud(9600);
        com.setAutoOpen(false);
    }
    void TearDown() override {
        try {
            com.setOpen(false);
        } catch (...) {
        }
        px708::setPortMap({});
    }

    // A handler that takes every announced byte and remembers the counts.
    void takeEverything() {
        com.OnTriggerAvail = [this](TComPort& cp, std::uint16_t count) {
            counts.push_back(count);
            for (int i = 0; i < count; ++i)
                received.push_back(cp.ReadChar());
        };
    }

    PtyPair pty;
    TComPort com;
    std::vector<int> counts;
    std::string received;
};

TEST_F(ComPortTest, SendsQueuedBytesInOrderAndReturnsAtOnce) {
    com.setOpen(true);
    ASSERT_TRUE(com.Open());
    com.SendString("T");
    com.SendString("\r");
    com.SendString("");
    EXPECT_EQ(pty.read(2), "T\r");
}

TEST_F(ComPortTest, BurstIsAnnouncedAndTakenWhole) {
    takeEverything();
    com.setOpen(true);
    pty.write("0123456789");
    ASSERT_TRUE(waitFor([&] { return received.size() == 10; }));
    EXPECT_EQ(received, "0123456789");
    int sum = 0;
    for (int c : counts)
        sum += c;
    EXPECT_EQ(sum, 10) << "every announced byte was new";
    settle(100ms);
    EXPECT_EQ(received.size(), 10u) << "the buffer is empty after the handler took all";
}

TEST_F(ComPortTest, UntakenBytesAreAnnouncedAgainWithNewerOnes) {
    std::vector<std::string> batches;
    com.OnTriggerAvail = [&](TComPort& cp, std::uint16_t count) {
        counts.push_back(count);
        std::string batch;
        const int take = batches.empty() ? 3 : count;
        for (int i = 0; i < take; ++i)
            batch.push_back(cp.ReadChar());
        batches.push_back(batch);
    };
    com.setOpen(true);
    pty.write("ABCDEFGHIJ");
    ASSERT_TRUE(waitFor([&] { return !batches.empty(); }));
    // The burst may come in pieces; wait until all ten are in before the handler's first return
    // counts. Only the first call takes three.
    settle(150ms);
    ASSERT_EQ(batches.size(), 1u) << "no new announcement without new data";
    EXPECT_EQ(batches[0], "ABC");
    pty.write("K");
    ASSERT_TRUE(waitFor([&] { return batches.size() == 2; }));
    EXPECT_EQ(counts[1], 8);
    EXPECT_EQ(batches[1], "DEFGHIJK");
}

TEST_F(ComPortTest, ReadingPastTheCountRaisesBufferIsEmpty) {
    std::string error;
    com.OnTriggerAvail = [&](TComPort& cp, std::uint16_t count) {
        for (int i = 0; i < count; ++i)
            cp.ReadChar();
        try {
            cp.ReadChar();
        } catch (const px708::EBufferIsEmpty& e) {
            error = e.what();
        }
    };
    com.setOpen(true);
    pty.write("x");
    ASSERT_TRUE(waitFor([&] { return !error.empty(); }));
    EXPECT_EQ(error, "Buffer is empty");
}

TEST_F(ComPortTest, OutputBufferRefusesABlockLargerThanItsFreeSpace) {
    com.setOpen(true);
    try {
        com.SendString(std::string(4097, 'a'));
        FAIL() << "4097 bytes fitted into 4096";
    } catch (const px708::EOutputBufferTooSmall& e) {
        EXPECT_EQ(e.ErrorCode(), -3006);
        EXPECT_STREQ(e.what(), "Output buffer too small for block");
    }
    EXPECT_EQ(pty.read(1, 200ms), "") << "nothing of the refused block was sent";
    com.SendString(std::string(4096, 'b'));
    EXPECT_EQ(pty.read(4096).size(), 4096u);
}

TEST_F(ComPortTest, NotificationNotStartedWithinTheLimitIsWithdrawn) {
    takeEverything();
    com.setOpen(true);
    pty.write("abc");
    // The main thread sleeps past the 3000 ms limit while the reply arrives.
    std::this_thread::sleep_for(4000ms);
    settle(200ms);
    EXPECT_TRUE(counts.empty()) << "the late delivery is discarded";
    pty.write("d");
    ASSERT_TRUE(waitFor([&] { return received.size() == 4; }));
    EXPECT_EQ(counts.back(), 4);
    EXPECT_EQ(received, "abcd");
}

TEST_F(ComPortTest, ClosingDiscardsOutputStillWaiting) {
    pty.releaseKeeper();
    com.setOpen(true);
    // Nobody reads the master: the terminal's queue fills, then the output ring.
    std::string queued;
    for (int i = 0; i < 10000; ++i) {
        try {
            com.SendString(std::string(1024, 'q'));
        } catch (const px708::EOutputBufferTooSmall&) {
            break;
        }
        queued += std::string(1024, 'q');
    }
    com.SendString("");
    try {
        com.SendString("END");
    } catch (const px708::EOutputBufferTooSmall&) {
    }
    com.setOpen(false);
    EXPECT_FALSE(com.Open());
    const std::string got = pty.read(queued.size() + 3, 500ms);
    EXPECT_LT(got.size(), queued.size());
    EXPECT_EQ(got.find("END"), std::string::npos);
}

TEST_F(ComPortTest, CloseFromInsideTheHandlerCompletesAfterItReturns) {
    bool openInside = true, shuttingInside = false;
    char readInside = 'x';
    com.OnTriggerAvail = [&](TComPort& cp, std::uint16_t) {
        cp.setOpen(false);
        openInside = cp.Open();
        shuttingInside = cp.ShuttingDown();
        readInside = cp.ReadChar();
    };
    com.setOpen(true);
    pty.write("z");
    ASSERT_TRUE(waitFor([&] { return !openInside; }));
    EXPECT_TRUE(shuttingInside);
    EXPECT_EQ(readInside, 0) << "ReadChar while shutting down gives 0 without an error";
    ASSERT_TRUE(waitFor([&] { return !com.ShuttingDown(); }));
    EXPECT_FALSE(com.Open());
}

TEST_F(ComPortTest, OpeningAskedForDuringADeferredCloseIsCarriedOutAfterwards) {
    int calls = 0;
    com.OnTriggerAvail = [&](TComPort& cp, std::uint16_t count) {
        ++calls;
        if (calls == 1) {
            cp.setOpen(false);
            cp.setOpen(true);
            EXPECT_FALSE(cp.Open());
        } else {
            for (int i = 0; i < count; ++i)
                received.push_back(cp.ReadChar());
        }
    };
    com.setOpen(true);
    pty.write("1");
    ASSERT_TRUE(waitFor([&] { return calls == 1 && com.Open(); }));
    pty.write("2");
    ASSERT_TRUE(waitFor([&] { return received == "2"; })) << "the reopened port works";
}

TEST_F(ComPortTest, ClosedPortRefusesReadAndWrite) {
    for (auto op : {+[](TComPort& c) { c.SendString("T"); }, +[](TComPort& c) { c.ReadChar(); }}) {
        try {
            op(com);
            FAIL() << "worked on a closed port";
        } catch (const px708::ECommNotOpen& e) {
            EXPECT_STREQ(e.what(), "Device not open");
        }
    }
}

TEST_F(ComPortTest, LostDeviceIsReportedOnceAndLeavesThePortClosed) {
    std::vector<std::string> errors;
    com.OnDeviceError = [&](const px708::EComPortException& e) { errors.push_back(e.what()); };
    takeEverything();
    com.setOpen(true);
    pty.releaseKeeper();
    pty.closeMaster();
    ASSERT_TRUE(waitFor([&] { return !errors.empty(); }));
    settle(200ms);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("COM7"), std::string::npos) << errors[0];
    EXPECT_NE(errors[0].find("Input/output error"), std::string::npos) << errors[0];
    EXPECT_FALSE(com.Open());
    try {
        com.SendString("T");
        FAIL();
    } catch (const px708::ECommNotOpen& e) {
        EXPECT_STREQ(e.what(), "Device not open");
    }

    // The device is back (a new terminal under the same port number): reopening works.
    PtyPair back;
    px708::setPortMap({{kPort, back.slavePath()}});
    com.setOpen(true);
    ASSERT_TRUE(com.Open());
    com.SendString("V\r");
    EXPECT_EQ(back.read(2), "V\r");
    com.setOpen(false);
}

// Opening failures: the error class, the message, and nothing left open.
struct OpenFailure {
    const char* name;
    std::function<void(TComPort&, PtyPair&, int& heldFd)> arrange;
    int code;
    const char* message;
};

class OpenFailureTest : public ::testing::TestWithParam<OpenFailure> {};

TEST_P(OpenFailureTest, RaisesAndStaysClosed) {
    PtyPair pty;
    TComPort com;
    int held = -1;
    px708::setPortMap({{kPort, pty.slavePath()}});
    com.setComNumber(kPort);
    GetParam().arrange(com, pty, held);
    try {
        com.setOpen(true);
        FAIL() << "opened";
    } catch (const px708::EComPortException& e) {
        EXPECT_EQ(e.ErrorCode(), GetParam().code);
        EXPECT_STREQ(e.what(), GetParam().message);
    }
    EXPECT_FALSE(com.Open());
    EXPECT_FALSE(com.ShuttingDown());
    if (held >= 0)
        ::close(held);
    px708::setPortMap({});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenFailureTest,
    ::testing::Values(
        OpenFailure{"NoSuchDevice",
                    [](TComPort&, PtyPair&, int&) {
                        px708::setPortMap({{kPort, "/dev/px708-test-no-such-device"}});
                    },
                    -2001, "Specified comport doesn't exist"},
        OpenFailure{"HeldByAnotherProgram",
                    [](TComPort&, PtyPair& p, int& held) {
                        held = ::open(p.slavePath().c_str(), O_RDWR | O_NOCTTY);
                        ::flock(held, LOCK_EX);
                    },
                    -2008, "Device already open"},
        OpenFailure{"NoPortAndNoChooser", [](TComPort& c, PtyPair&, int&) { c.setComNumber(0); },
                    -2011, "The ComNumber property of the TComPort has not been set"},
        OpenFailure{"SelectPortCancelled",
                    [](TComPort& c, PtyPair&, int&) {
                        c.setComNumber(0);
                        c.OnSelectPort = [](const std::vector<int>&) { return 0; };
                    },
                    -2011, "The ComNumber property of the TComPort has not been set"},
        OpenFailure{"NotPromptingForPort",
                    [](TComPort& c, PtyPair&, int&) {
                        c.setComNumber(0);
                        c.setPromptForPort(false);
                        c.OnSelectPort = [](const std::vector<int>& l) { return l.front(); };
                    },
                    -2011, "The ComNumber property of the TComPort has not been set"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(SelectPort, OffersOpenablePortsAndOpensTheChosenOne) {
    PtyPair free, held;
    px708::setPortMap({{3, free.slavePath()}, {4, held.slavePath()}});
    const int holder = ::open(held.slavePath().c_str(), O_RDWR | O_NOCTTY);
    ::flock(holder, LOCK_EX);
    TComPort com;
    std::vector<int> offered;
    com.OnSelectPort = [&](const std::vector<int>& ports) {
        offered = ports;
        return 3;
    };
    com.setOpen(true);
    EXPECT_TRUE(com.Open());
    EXPECT_EQ(com.ComNumber(), 3);
    EXPECT_NE(std::find(offered.begin(), offered.end(), 3), offered.end());
    EXPECT_EQ(std::find(offered.begin(), offered.end(), 4), offered.end())
        << "a port in use is not listed";
    com.setOpen(false);
    ::close(holder);
    px708::setPortMap({});
}

TEST_F(ComPortTest, DeliveryRunningPastTheLimitEndsWithWhatItTook) {
    std::vector<std::string> batches;
    std::string lateError;
    com.OnTriggerAvail = [&](TComPort& cp, std::uint16_t count) {
        counts.push_back(count);
        std::string batch;
        if (batches.empty()) {
            for (int i = 0; i < 3; ++i)
                batch.push_back(cp.ReadChar());
            // A handler that runs past the limit: the dispatcher finishes the delivery with
            // the three characters taken so far.
            std::this_thread::sleep_for(3500ms);
            // Taken outside a notification from here on: each leaves the buffer at once.
            try {
                for (;;)
                    batch.push_back(cp.ReadChar());
            } catch (const px708::EBufferIsEmpty& e) {
                lateError = e.what();
            }
        } else {
            for (int i = 0; i < count; ++i)
                batch.push_back(cp.ReadChar());
        }
        batches.push_back(batch);
    };
    com.OnHandlerError = [](const std::exception& e) { ADD_FAILURE() << e.what(); };
    com.setOpen(true);
    pty.write("ABCDEFGHIJ");
    ASSERT_TRUE(waitFor([&] { return !batches.empty(); }, 6000ms));
    EXPECT_EQ(batches[0], "ABCDEFGHIJ");
    EXPECT_EQ(lateError, "Buffer is empty");
    settle(150ms);
    ASSERT_EQ(batches.size(), 1u) << "nothing taken is announced again";
    pty.write("K");
    ASSERT_TRUE(waitFor([&] { return batches.size() == 2; }));
    EXPECT_EQ(counts[1], 1);
    EXPECT_EQ(batches[1], "K");
}

TEST_F(ComPortTest, SlowHandlerGetsMoreThanTheDispatchBufferInOrderAndComplete) {
    constexpr std::size_t kTotal = 3 * px708::TSerialDispatcher::kDispatchBufferSize + 1234;
    std::string sent(kTotal, '\0');
    for (std::size_t i = 0; i < kTotal; ++i)
        sent[i] = static_cast<char>(i % 251); // a period that no buffer size divides
    com.OnTriggerAvail = [&](TComPort& cp, std::uint16_t count) {
        // Slow, and taking at most 1000 bytes a call: what it leaves piles up with the newer
        // bytes until the dispatch buffer is full. The last announcement covers all that is
        // left, and the handler takes it whole.
        std::this_thread::sleep_for(20ms);
        counts.push_back(count);
        const std::size_t take =
            received.size() + count >= kTotal ? count : std::min<std::size_t>(count, 1000);
        for (std::size_t i = 0; i < take; ++i)
            received.push_back(cp.ReadChar());
    };
    com.OnHandlerError = [](const std::exception& e) { ADD_FAILURE() << e.what(); };
    com.setOpen(true);
    // The peer blocks while the terminal is full, so it writes from a thread of its own.
    std::thread reader([&] { pty.write(sent); });
    const bool complete = waitFor([&] { return received.size() >= kTotal; }, 30s);
    reader.join();
    ASSERT_TRUE(complete) << received.size() << " of " << kTotal;
    EXPECT_TRUE(received == sent) << "bytes lost, doubled or out of order";
    EXPECT_EQ(*std::max_element(counts.begin(), counts.end()),
              static_cast<int>(px708::TSerialDispatcher::kDispatchBufferSize))
        << "the dispatch buffer filled up";
}

// A handler that shows a modal dialog: the dialog's nested event loop runs while the port is
// closed by the operator or lost with its device.
struct ModalCase {
    const char* name;
    bool deviceLost; // false: the port is closed from inside the dialog
};

class ModalHandlerTest : public ComPortTest, public ::testing::WithParamInterface<ModalCase> {};

TEST_P(ModalHandlerTest, PortEndsClosedWhenTheHandlerReturns) {
    const bool lose = GetParam().deviceLost;
    std::vector<std::string> errors;
    bool openAfterDialog = true, shuttingAfterDialog = false, shuttingAtReturn = false;
    char readAfterDialog = 'x';
    int eventsInDialog = 0;
    QEventLoop* dialog = nullptr;
    com.OnDeviceError = [&](const px708::EComPortException& e) {
        errors.push_back(e.what());
        if (dialog)
            QTimer::singleShot(200ms, dialog, &QEventLoop::quit);
    };
    com.OnHandlerError = [](const std::exception& e) { ADD_FAILURE() << e.what(); };
    com.OnTriggerAvail = [&](TComPort& cp, std::uint16_t count) {
        counts.push_back(count);
        for (int i = 0; i < count; ++i)
            received.push_back(cp.ReadChar());
        if (counts.size() > 1)
            return;
        QEventLoop loop;
        dialog = &loop;
        QTimer::singleShot(0, &loop, [&] {
            if (lose) {
                pty.releaseKeeper();
                pty.closeMaster();
            } else {
                cp.setOpen(false);
                QTimer::singleShot(200ms, &loop, &QEventLoop::quit);
            }
        });
        QTimer::singleShot(5s, &loop, &QEventLoop::quit);
        // Counts the events handled while the dialog is open: a close that polls for its
        // own completion would show up here by the hundred.
        struct Counter : QObject {
            int* n;
            explicit Counter(int* c) : n(c) {}
            bool eventFilter(QObject*, QEvent*) override {
                ++*n;
                return false;
            }
        } counter(&eventsInDialog);
        QCoreApplication::instance()->installEventFilter(&counter);
        loop.exec();
        QCoreApplication::instance()->removeEventFilter(&counter);
        dialog = nullptr;
        openAfterDialog = cp.Open();
        shuttingAfterDialog = cp.ShuttingDown();
        readAfterDialog = cp.ReadChar();
        cp.SendString("ignored while shutting down");
        shuttingAtReturn = cp.ShuttingDown();
    };
    com.setOpen(true);
    pty.write("m");
    ASSERT_TRUE(waitFor([&] { return !counts.empty() && !com.ShuttingDown(); }, 8s));
    EXPECT_EQ(received, "m");
    EXPECT_FALSE(openAfterDialog);
    EXPECT_TRUE(shuttingAfterDialog) << "the close waits for the handler";
    EXPECT_TRUE(shuttingAtReturn);
    EXPECT_EQ(readAfterDialog, 0);
    EXPECT_LT(eventsInDialog, 50);
    EXPECT_FALSE(com.Open());
    settle(100ms);
    EXPECT_EQ(errors.size(), lose ? 1u : 0u);
    if (!lose) {
        EXPECT_TRUE(px708::ComPortAvailable(pty.slavePath())) << "the device was released";
    }
    try {
        com.SendString("T");
        FAIL() << "sent on a closed port";
    } catch (const px708::ECommNotOpen& e) {
        EXPECT_STREQ(e.what(), "Device not open");
    }
    if (!lose) {
        com.setOpen(true);
        EXPECT_TRUE(com.Open()) << "the port opens again";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ModalHandlerTest,
                         ::testing::Values(ModalCase{"CloseFromTheDialog", false},
                                           ModalCase{"DeviceLostWhileTheDialogIsOpen", true}),
                         [](const auto& row) { return std::string(row.param.name); });

// The line settings as the device holds them, read from the terminal's other opener.
struct LineCase {
    const char* name;
    std::int32_t openRate; // 0 keeps the rate the device has
    std::uint16_t stopBits;
    std::int32_t newRate; // set while open
    speed_t rateBefore;
    speed_t rateAfter;
};

class LineSettingsTest : public ComPortTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(LineSettingsTest, ReadBackAfterOpeningAndAfterARateChange) {
    const LineCase& c = GetParam();
    // Opened before the port takes the terminal exclusively.
    const int probe = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(probe, 0);
    termios before{};
    ASSERT_EQ(::tcgetattr(probe, &before), 0);
    ::cfsetispeed(&before, B4800);
    ::cfsetospeed(&before, B4800);
    ASSERT_EQ(::tcsetattr(probe, TCSANOW, &before), 0);

    const auto expectLine = [&](speed_t rate, const char* when) {
        termios t{};
        ASSERT_EQ(::tcgetattr(probe, &t), 0);
        SCOPED_TRACE(when);
        EXPECT_EQ(::cfgetospeed(&t), rate);
        EXPECT_EQ(::cfgetispeed(&t), rate);
        EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t{CS8});
        EXPECT_EQ(t.c_cflag & PARENB, 0u);
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.stopBits == 2);
        EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), tcflag_t{CLOCAL | CREAD});
        EXPECT_EQ(t.c_cflag & CRTSCTS, 0u) << "no hardware handshake";
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u) << "raw input";
        EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXON | IXOFF | INPCK), 0u)
            << "bytes pass untranslated and without software handshake";
        EXPECT_EQ(t.c_oflag & OPOST, 0u) << "raw output";
        EXPECT_EQ(t.c_cc[VMIN], 1);
        EXPECT_EQ(t.c_cc[VTIME], 0);
    };
    com.setBaud(c.openRate);
    com.setStopBits(c.stopBits);
    com.setOpen(true);
    ASSERT_TRUE(com.Open());
    expectLine(c.rateBefore, "after opening");
    com.SendString("S\r");
    com.setBaud(c.newRate);
    expectLine(c.rateAfter, "after the rate change");
    EXPECT_EQ(pty.read(2), "S\r") << "output queued before the change still leaves";
    ::close(probe);
}

INSTANTIATE_TEST_SUITE_P(
    Rates, LineSettingsTest,
    ::testing::Values(LineCase{"At9600Then19200", 9600, 1, 19200, B9600, B19200},
                      LineCase{"At1200TwoStopBitsThen115200", 1200, 2, 115200, B1200, B115200},
                      LineCase{"RateZeroKeepsTheDevicesRate", 0, 1, 300, B4800, B300}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(DispatcherTest, BytesThatCameBeforeTheWindowRegisteredAreAnnounced) {
    PtyPair pty;
    px708::TSerialDispatcher d("COM9");
    ASSERT_FALSE(d.InitPort(pty.slavePath(), 9600, px708::TParity::pNone, 8, 1, 4096, 4096, true,
                            true, px708::hwfNone));
    // The opening sets the threshold before its window is registered; bytes come in between.
    d.SetAvailThreshold(1);
    pty.write("abc");
    ASSERT_TRUE(waitFor([&] { return d.Unread() == 3; }));
    settle(150ms); // the dispatch thread checks them a few times, with no one to tell

    std::mutex lock;
    std::vector<std::shared_ptr<px708::AvailDelivery>> posted;
    d.RegisterWindow(
        [&](std::shared_ptr<px708::AvailDelivery> delivery) {
            std::lock_guard guard(lock);
            posted.push_back(std::move(delivery));
        },
        true);
    std::shared_ptr<px708::AvailDelivery> first;
    ASSERT_TRUE(waitFor([&] {
        std::lock_guard guard(lock);
        if (!posted.empty())
            first = posted.front();
        return first != nullptr;
    })) << "announced without a further byte";
    EXPECT_EQ(first->count, 3);
    ASSERT_TRUE(d.beginDelivery(first));
    std::string taken(3, '\0');
    for (char& ch : taken)
        EXPECT_FALSE(d.GetChar(ch));
    d.endDelivery(first);
    EXPECT_EQ(taken, "abc");
    EXPECT_TRUE(waitFor([&] { return d.Unread() == 0; }));
    d.Shutdown();
}

// Errors reach the component as one of two kinds, the component's own codes and errno values
// of failed system calls, and each is raised as what it is.
struct ErrorValueCase {
    const char* name;
    std::error_code error;
    int code;
    const char* message;
    int systemError;
};

class ErrorValueTest : public ::testing::TestWithParam<ErrorValueCase> {};

TEST_P(ErrorValueTest, RaisesTheExceptionOfItsKind) {
    const ErrorValueCase& c = GetParam();
    try {
        px708::raiseComPortError(c.error);
        FAIL() << "nothing raised";
    } catch (const px708::EComPortException& e) {
        EXPECT_EQ(e.ErrorCode(), c.code);
        EXPECT_STREQ(e.what(), c.message);
        EXPECT_EQ(e.SystemError(), c.systemError);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ErrorValueTest,
    ::testing::Values(ErrorValueCase{"NoSuchDevice", px708::comPortError(-2001), -2001,
                                     "Specified comport doesn't exist", 0},
                      ErrorValueCase{"InUse", px708::comPortError(-2008), -2008,
                                     "Device already open", 0},
                      // errno 2 and 5 are not the dispatcher's "no such device" and "in use".
                      ErrorValueCase{"EnoentIsAFileError", px708::systemError(ENOENT), -2,
                                     "File not found", ENOENT},
                      ErrorValueCase{"EioHasTheSystemsText", px708::systemError(EIO), -9003,
                                     "Input/output error", EIO},
                      ErrorValueCase{"EaccesIsAccessDenied", px708::systemError(EACCES), -5,
                                     "File access denied", EACCES},
                      ErrorValueCase{"ErangeHasTheSystemsText", px708::systemError(ERANGE), -9003,
                                     "Numerical result out of range", ERANGE}),
    [](const auto& row) { return std::string(row.param.name); });

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST_F(ComPortTest, TraceOfTheFirstCloseDescribesTheTraffic) {
    char dir[] = "/tmp/px708-trace-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string trc = std::string(dir) + "/px708.TRC";
    const std::string log = std::string(dir) + "/px708.LOG";
    com.setTracing(px708::TTraceLogState::tlOn);
    com.setTraceName(trc);
    com.setTraceAllHex(true);
    com.setLogging(px708::TTraceLogState::tlOn);
    com.setLogName(log);
    com.setLogAllHex(true);
    takeEverything();
    com.OnDeviceError = [](const px708::EComPortException& e) { ADD_FAILURE() << e.what(); };
    com.OnHandlerError = [](const std::exception& e) { ADD_FAILURE() << e.what(); };
    com.setOpen(true);
    com.SendString("#");
    EXPECT_EQ(pty.read(1), "#");
    pty.write("AOK\r");
    ASSERT_TRUE(waitFor([&] { return received.size() == 4; }));
    com.setOpen(false);
    EXPECT_EQ(slurp(trc), "Transmit: \r\n[23]\r\n\r\nReceive: \r\n[41][4F][4B][0D]");

    const std::string text = slurp(log);
    EXPECT_EQ(text.find("ComPort v1.0\r\n"), 0u);
    EXPECT_NE(text.find("Device: COM7\r\n"), std::string::npos);
    for (const char* record :
         {"TrDatChg  Avail         00000001", "TrgHdAlc  Window",
          "Dispatch  WriteCom      00000001  [23]", "Trigger   Avail         0000000",
          "Dispatch  ReadCom       0000000"})
        EXPECT_NE(text.find(record), std::string::npos) << record << "\n" << text;

    // A second close in the same run leaves both files as the first one wrote them.
    com.setOpen(true);
    com.SendString("x");
    com.setOpen(false);
    EXPECT_EQ(slurp(trc), "Transmit: \r\n[23]\r\n\r\nReceive: \r\n[41][4F][4B][0D]");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
