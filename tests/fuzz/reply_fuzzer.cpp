// The receiving front and the reply interpretation, fed arbitrary byte streams in every command
// state: lines ended by carriage returns or FFh, split across batches of any size.
//
// Input: the first byte picks the command state; then runs of [batch length byte, bytes].

#include "link/catalogue.h"
#include "link/clocktext.h"
#include "link/readerlink.h"
#include "link/recordline.h"
#include "serial/comport.h"
#include "tests/fuzz/nullview.h"

#include <QCoreApplication>

#include <cstdint>
#include <exception>
#include <string_view>
#include <vector>

namespace {

using namespace px708;

class BatchSource : public ByteSource {
public:
    explicit BatchSource(std::string_view bytes) : bytes_(bytes) {}
    bool take(char& c) override {
        if (pos_ >= bytes_.size())
            return false;
        c = bytes_[pos_++];
        return true;
    }
    bool done() const { return pos_ >= bytes_.size(); }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

std::vector<std::int32_t> states() {
    std::vector<std::int32_t> s{ReaderLink::stateLive, ReaderLink::stateFetch, 1, 77};
    for (const StateReplies& entry : replyCatalogue())
        s.push_back(entry.state);
    return s;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<std::int32_t> kStates = states();
    if (size < 1)
        return 0;
    // One window, port and link for the whole run, as in the program; each input starts from
    // an empty reply buffer in its state.
    static TComPort port;
    static fuzz::NullView view;
    static ReaderLink& link = [&]() -> ReaderLink& {
        static ReaderLink l(port, view);
        port.setAutoOpen(false);
        l.setPause(std::chrono::milliseconds(0));
        // The flows that decode what they are given, as the window's and the transfer code's do.
        l.flows().set(Flow::dumpRecord, [](const std::string& line) {
            if (isRecordLine(line)) {
                const RecordLine r = decodeRecordLine(line);
                (void)recordDate(r, 1, "-");
                (void)recordTime(r);
                (void)dayName(recordWeekday(r));
            }
        });
        l.flows().set(Flow::tableRecord, [](const std::string& line) {
            const RecordLine r = decodeRecordLine(line);
            (void)recordDate(r, 0, "/");
        });
        l.flows().set(Flow::do_datetime,
                      [](const std::string& line) { (void)clockDisplay(line, 0, "."); });
        return l;
    }();
    view = fuzz::NullView();
    link.clearReplyBuffer();
    link.setState(kStates[data[0] % kStates.size()]);

    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    while (!rest.empty()) {
        const std::size_t batch =
            std::min<std::size_t>(static_cast<std::uint8_t>(rest[0]) + 1, rest.size() - 1);
        BatchSource source(rest.substr(1, batch));
        try {
            // A batch may end early and leave the rest unread; the port announces it again.
            while (!source.done())
                link.receive(source, static_cast<std::uint16_t>(batch));
        } catch (const std::exception&) {
            // A command the link sends on its own (the next ENQ) fails on the closed port; the
            // window shows that error. Nothing else may escape.
        }
        rest.remove_prefix(std::min(rest.size(), batch + 1));
    }
    return 0;
}
