#include "link/readerlink.h"

#include "link/catalogue.h"
#include "serial/comport.h"

#include <thread>

namespace px708 {

namespace {
constexpr char kCarriageReturn = '\r';
constexpr char kLineEndFF = static_cast<char>(0xFF);
constexpr std::string_view kAck = "\x06";
constexpr std::string_view kEnq = "\x05";
// A download-store line longer than this is a reading; the reader is asked for the next one.
constexpr std::size_t kStoreReadingMin = 10;
} // namespace

std::int64_t HexToInt(std::string_view text) {
    static constexpr std::string_view digits = "123456789ABCDEF";
    std::uint64_t value = 0;
    for (const char c : text) {
        const auto pos = digits.find(c);
        value = value * 16 + (pos == std::string_view::npos ? 0 : pos + 1);
    }
    return static_cast<std::int64_t>(value);
}

ReaderLink::ReaderLink(TComPort& port, LinkView& view) : port_(port), view_(view) {}

void ReaderLink::sendit(std::string_view command) {
    const bool marked = !marker_.empty() && command.find(marker_) != std::string_view::npos;
    const auto wait = marked ? 2 * pause_ : pause_;
    for (std::size_t i = 0; i < command.size(); ++i) {
        port_.SendString(command.substr(i, 1));
        std::this_thread::sleep_for(wait);
    }
    port_.SendString(std::string_view(&kCarriageReturn, 1));
}

void ReaderLink::command(std::int32_t state, std::string_view wire) {
    if (!activeport())
        return;
    state_ = state;
    reply_.clear();
    sendit(wire);
}

void ReaderLink::fetchReadings() {
    if (!activeport_online())
        return;
    state_ = stateFetch;
    reply_.clear();
    port_.SendString(kEnq);
}

bool ReaderLink::activeport_online() {
    if (port_.Open() || state_ != stateLive)
        return true;
    view_.messageBox("Click on CONNECT!");
    return false;
}

void ReaderLink::show_message(const std::string& text) {
    view_.showMessage(text == "x" ? std::string(kRefusalText) : text);
}

namespace {

// The port as a source of received bytes. Taking ends when nothing is left: a nested delivery,
// run while a dialog or a flow processed events, may already have taken what this call was
// told about.
class PortSource : public ByteSource {
public:
    explicit PortSource(TComPort& port) : port_(port) {}
    bool take(char& c) override {
        // A port closing from inside the handler hands out zeros; they are not the reader's.
        if (port_.ShuttingDown())
            return false;
        try {
            c = port_.ReadChar();
            return true;
        } catch (const EBufferIsEmpty&) {
            return false;
        }
    }

private:
    TComPort& port_;
};

} // namespace

void ReaderLink::Com1TriggerAvail(TComPort& sender, std::uint16_t count) {
    PortSource source(sender);
    receive(source, count);
}

void ReaderLink::receive(ByteSource& source, std::uint16_t count) {
    if (state_ < firstCommandState)
        receiveOnline(source, count);
    else
        receiveCommand(source, count);
}

void ReaderLink::receiveOnline(ByteSource& source, std::uint16_t count) {
    for (std::uint16_t i = 0; i < count; ++i) {
        char c = 0;
        if (!source.take(c))
            return;
        if (c != kCarriageReturn)
            reply_.push_back(c);
        // The reader ends its download store with a bare ACK, no carriage return.
        if (state_ == stateFetch && reply_ == kAck) {
            state_ = stateLive;
            view_.appendLine("Memo4", "Download completed");
            reply_.clear();
            return;
        }
        if (c != kCarriageReturn)
            continue;
        view_.appendLine("Memo1", reply_);
        if (state_ == stateLive) {
            view_.appendLine("Memo3", reply_);
            reply_.clear();
        } else if (state_ == stateFetch) {
            view_.appendLine("Memo4", reply_);
            if (reply_.size() >= kStoreReadingMin) {
                reply_.clear();
                fetchReadings();
            }
        }
    }
}

void ReaderLink::receiveCommand(ByteSource& source, std::uint16_t count) {
    for (std::uint16_t i = 0; i < count; ++i) {
        char c = 0;
        if (!source.take(c))
            return;
        if (c != kCarriageReturn)
            reply_.push_back(c);
        if (c != kCarriageReturn && c != kLineEndFF)
            continue;
        view_.appendLine("Memo1", reply_);
        if (state_ == stateModeSwitch)
            reply_.clear();
        // The buffer is settled before anything runs: a dialog or a flow may handle a further
        // delivery in its event loop, whose bytes must not join a line already taken.
        const std::string line = reply_;
        const Verdict verdict = matchLine(state_, line);
        switch (verdict.disposal) {
        case Disposal::leave:
            break;
        case Disposal::consume:
        case Disposal::consumeAndEnd:
            reply_.clear();
            break;
        case Disposal::consumeRecord:
            reply_.erase(0, 32);
            break;
        }
        applyVerdict(verdict, line, view_, flows_);
        if (verdict.refused)
            show_message(std::string(verdict.refusalMessage));
        if (verdict.disposal == Disposal::consumeAndEnd)
            return;
    }
}

std::string_view ReaderLink::switchMode(std::int32_t state, char digit, std::string_view label) {
    state_ = state;
    sendit(marker_ + digit);
    view_.setCaption("mode", std::string(label));
    return label;
}

std::string_view ReaderLink::connectForPage(int pageIndex) {
    view_.setCaption("mode", std::string(kModeOffLine));
    switch (pageIndex) {
    case page::settings1:
    case page::zelmarSettings2:
    case page::onlineSettings4:
    case page::data:
    case page::keylotUpload:
        state_ = stateModeSwitch;
        view_.repaintNow();
        sendit(marker_ + '0');
        view_.setCaption("mode", std::string(kModeZelmar));
        return kModeZelmar;
    case page::onlineSettings3:
        state_ = stateLive;
        view_.repaintNow();
        sendit(marker_ + '1');
        view_.setCaption("mode", std::string(kModeOnline));
        return kModeOnline;
    default:
        return kModeOffLine;
    }
}

std::string_view ReaderLink::setZelmarMode() {
    return switchMode(stateModeSwitch, '0', kModeZelmar);
}

std::string_view ReaderLink::setOnlineMode() {
    return switchMode(stateModeSwitch, '1', kModeOnline);
}

} // namespace px708
