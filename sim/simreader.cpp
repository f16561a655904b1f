#include "sim/simreader.h"

#include "sim/simhex.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace px708::sim {

namespace {

constexpr std::string_view kBaudCodes[] = {"03", "12", "24", "48", "96", "19"};
constexpr std::string_view kBaudNames[] = {"300", "1200", "2400", "4800", "9600", "19200"};

struct Switch {
    char letter; // the second letter after "A"
    bool ReaderState::*member;
    const char* caption; // as the settings listing names it
};

constexpr Switch kSwitches[] = {
    {'C', &ReaderState::checkdigit, "CHECKDIGIT"},
    {'F', &ReaderState::acknak, "ACK/NAK"},
    {'E', &ReaderState::enq, "ENQ"},
    {'G', &ReaderState::bidirectional, "BIDIRECTIONAL"},
    {'H', &ReaderState::scanstore, "SCAN+STORE"},
    {'I', &ReaderState::nodecode, "NO DECODE MESSAGE"},
};

std::string line(std::string_view text) {
    std::string out(text);
    out += kCarriageReturn;
    return out;
}

std::string refusal(char letter) {
    return line(std::string(1, letter) + "NO");
}

std::string onOff(bool on) {
    return on ? "ON" : "OFF";
}

// A text received as hexadecimal pairs. The message and the suffix end with a terminator pair,
// "0D" (or "00" to clear); the prefix has none, though a lone "00" clears it too.
std::optional<std::string> receivedText(std::string_view payload, bool needsTerminator) {
    auto bytes = fromHex(payload);
    if (!bytes || bytes->empty())
        return std::nullopt;
    const char last = bytes->back();
    if (last == '\r' || last == '\0')
        bytes->pop_back();
    else if (needsTerminator)
        return std::nullopt;
    if (bytes->size() > kMaxTextLength ||
        bytes->find_first_of(std::string_view("\r\0", 2)) != std::string::npos)
        return std::nullopt;
    return bytes;
}

bool printableCaption(std::string_view text) {
    return text.size() <= kMaxCaptionLength &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

} // namespace

Reader::Reader(ReaderState state) : state_(std::move(state)) {}

bool Reader::takeChanged() {
    return std::exchange(changed_, false);
}

CivilSeconds Reader::now() const {
    return localNow() + state_.clockOffset;
}

void Reader::addToStore(std::string code) {
    state_.store.push_back(std::move(code));
    changed_ = true;
}

void Reader::addToQueue(std::string code) {
    state_.queue.push_back(std::move(code));
    changed_ = true;
}

void Reader::fill(int count, int lots) {
    fillMemory(state_, count, lots);
    changed_ = true;
}

void Reader::refuseNext(std::string prefix) {
    refusals_.push_back(std::move(prefix));
}

std::string Reader::command(std::string_view text) {
    if (text.empty())
        return {};
    if (text.front() == kModeMarker) {
        // The marker and one digit: "0" is the reader's own mode, "1" on-line mode.
        if (text == std::string{kModeMarker, '0'}) {
            mode_ = Mode::Zelmar;
            return line(kZelmarModeAnswer);
        }
        if (text == std::string{kModeMarker, '1'}) {
            mode_ = Mode::Online;
            return line(kOnlineModeAnswer);
        }
        return {};
    }
    // In on-line mode the reader only sends readings and serves ENQ; commands go unanswered.
    if (mode_ == Mode::Online)
        return {};
    const auto refused = std::find_if(refusals_.begin(), refusals_.end(),
                                      [&](const auto& p) { return text.substr(0, p.size()) == p; });
    if (refused != refusals_.end()) {
        refusals_.erase(refused);
        return refusal(text.front());
    }
    return zelmarCommand(text);
}

std::string Reader::zelmarCommand(std::string_view text) {
    const char letter = text.front();
    const std::string_view arg = text.substr(1);
    switch (letter) {
    case 'A':
        return parameterCommand(text);
    case 'M':
        // Seek digit, then save digit; the reply repeats them in the same order.
        if (arg.size() == 2 && (arg[0] == '0' || arg[0] == '1') &&
            (arg[1] == '0' || arg[1] == '1')) {
            state_.seek = arg[0] == '1';
            state_.save = arg[1] == '1';
            changed_ = true;
        } else if (!arg.empty()) {
            return refusal(letter);
        }
        return line(std::string{state_.seek ? '1' : '0', state_.save ? '1' : '0'} + "MOK");
    case 'J':
    case 'P': {
        bool& flag = letter == 'J' ? state_.decimalDisplay : state_.trigger;
        if (arg == "0" || arg == "1") {
            flag = arg == "1";
            changed_ = true;
        } else if (!arg.empty()) {
            return refusal(letter);
        }
        return line(std::string{flag ? '1' : '0', letter} + "OK");
    }
    case 'T':
        if (arg.empty())
            return line(clockText(now()));
        if (const auto set = parseClockText(arg)) {
            state_.clockOffset = *set - localNow();
            changed_ = true;
            return line("TOK");
        }
        return refusal(letter);
    case 'Z':
        // Tone digit, then LEDs digit: a live command, kept as the reader's last signal.
        if (arg.size() == 2 && arg[0] >= '0' && arg[0] <= '3' && arg[1] >= '0' && arg[1] <= '3') {
            state_.tone = arg[0] - '0';
            state_.leds = arg[1] - '0';
            changed_ = true;
            return line("ZOK");
        }
        return refusal(letter);
    case 'L':
    case 'K': {
        int& lot = letter == 'L' ? state_.lot : state_.keylot;
        const std::string ok = std::string(1, letter) + "OK";
        if (arg.empty())
            return line(lotText(lot)) + line(ok);
        // A set is acknowledged alone: a value line first would prefix the acknowledgement.
        if (const auto value = lotNumber(arg)) {
            lot = *value;
            changed_ = true;
            return line(ok);
        }
        return refusal(letter);
    }
    case 'C':
        if (!arg.empty())
            return refusal(letter);
        state_.readings.clear();
        changed_ = true;
        return line("COK");
    case 'F': {
        if (!arg.empty())
            return refusal(letter);
        char digits[8];
        std::snprintf(digits, sizeof digits, "%04X", state_.freeMemory());
        return line(digits);
    }
    case 'V':
        return arg.empty() ? line(kVersionText) : refusal(letter);
    case 'I':
        if (!arg.empty() || state_.queue.empty())
            return refusal(letter);
        {
            std::string code = state_.queue.front();
            state_.queue.pop_front();
            changed_ = true;
            return line(code);
        }
    case 'X':
    case 'Y':
        if (!printableCaption(arg))
            return refusal(letter);
        (letter == 'X' ? state_.top : state_.bottom) = std::string(arg);
        changed_ = true;
        return line(std::string(1, letter) + "OK");
    case 'N':
        return dump(arg);
    case 'S':
        return upload(arg);
    default:
        if (static_cast<unsigned char>(letter) >= 0x20 && static_cast<unsigned char>(letter) < 0x7F)
            return refusal(letter);
        return {};
    }
}

std::string Reader::parameterCommand(std::string_view text) {
    const char second = text.size() > 1 ? text[1] : '\0';
    const std::string_view arg = text.size() > 2 ? text.substr(2) : std::string_view{};
    switch (second) {
    case 'B': {
        if (!arg.empty()) {
            if (std::find(std::begin(kBaudCodes), std::end(kBaudCodes), arg) ==
                std::end(kBaudCodes))
                return refusal('A');
            state_.baud = std::string(arg);
            changed_ = true;
        }
        return line(state_.baud + "AOK");
    }
    case 'A':
        return arg.empty() ? settingsListing() : refusal('A');
    case 'X':
    case 'P':
    case 'S':
        return textCommand(second, arg);
    default:
        break;
    }
    const auto sw = std::find_if(std::begin(kSwitches), std::end(kSwitches),
                                 [&](const Switch& s) { return s.letter == second; });
    if (sw == std::end(kSwitches))
        return refusal('A');
    if (arg == "0" || arg == "1") {
        state_.*sw->member = arg == "1";
        changed_ = true;
    } else if (!arg.empty()) {
        return refusal('A');
    }
    return line(std::string(1, state_.*sw->member ? '1' : '0') + "AOK");
}

std::string Reader::textCommand(char which, std::string_view payload) {
    std::string& text = which == 'X'   ? state_.message
                        : which == 'P' ? state_.prefix
                                       : state_.suffix;
    const bool terminated = which != 'P';
    if (payload.empty()) {
        if (text.empty())
            return line("AOK");
        return line(toHex(text) + (terminated ? "0D" : "") + "AOK");
    }
    const auto received = receivedText(payload, terminated);
    if (!received)
        return refusal('A');
    text = *received;
    changed_ = true;
    return line("AOK");
}

std::string Reader::settingsListing() const {
    const auto baud = std::find(std::begin(kBaudCodes), std::end(kBaudCodes), state_.baud);
    std::string out;
    out += line("BAUD " + std::string(kBaudNames[baud - std::begin(kBaudCodes)]));
    for (const auto& sw : kSwitches)
        out += line(std::string(sw.caption) + ' ' + onOff(state_.*sw.member));
    out += line("MESSAGE \"" + printable(state_.message) + '"');
    out += line("PREFIX \"" + printable(state_.prefix) + '"');
    out += line("SUFFIX \"" + printable(state_.suffix) + '"');
    out += line("AOK");
    return out;
}

std::string Reader::dump(std::string_view lotArg) const {
    std::optional<int> only;
    if (!lotArg.empty()) {
        only = lotNumber(lotArg);
        if (!only)
            return refusal('N');
    }
    std::vector<const Reading*> chosen;
    for (const auto& r : state_.readings)
        if (!only || r.lot == *only)
            chosen.push_back(&r);
    // Memory is read out lot by lot, each lot in the order its readings were stored.
    std::stable_sort(chosen.begin(), chosen.end(),
                     [](const Reading* a, const Reading* b) { return a->lot < b->lot; });
    std::string out;
    for (const auto* r : chosen)
        out += line(r->line());
    out += line("NOK");
    return out;
}

std::string Reader::upload(std::string_view record) {
    const auto reading = Reading::fromLine(record);
    if (!reading || state_.freeMemory() == 0)
        return refusal('S');
    state_.readings.push_back(*reading);
    changed_ = true;
    return line("SOK");
}

std::string Reader::enquiry() {
    if (mode_ != Mode::Online)
        return {};
    if (state_.store.empty())
        return std::string(1, kAck);
    std::string code = state_.store.front();
    state_.store.pop_front();
    changed_ = true;
    return line(code);
}

std::string Reader::present(std::string_view code, char type, std::string_view country,
                            std::string& note) {
    if (code.empty()) {
        if (mode_ == Mode::Online && state_.nodecode) {
            note = "no transponder: no-decode message sent";
            return line(state_.message);
        }
        note = "no transponder";
        return {};
    }
    if (mode_ == Mode::Online) {
        note = "sent";
        if (state_.scanstore) {
            state_.store.emplace_back(code);
            changed_ = true;
            note += " and kept in the download store";
        }
        return line(state_.prefix + std::string(code) + state_.suffix);
    }
    if (!state_.save) {
        note = "not stored: save mode is off";
        return {};
    }
    if (state_.freeMemory() == 0) {
        note = "not stored: memory full";
        return {};
    }
    state_.readings.push_back(
        Reading{state_.lot, std::string(code), clockText(now()), type, std::string(country)});
    changed_ = true;
    note = "stored in lot " + lotText(state_.lot);
    return {};
}

} // namespace px708::sim
