#pragma once
// ReaderLink: the conversation with the reader. It holds the command state and the reply
// buffer, sends paced commands (sendit), assembles received bytes into reply lines
// (Com1TriggerAvail) and hands each line to the live-readings handling or to the reply
// catalogue, which writes the window through LinkView.
//
// Thread affinity: main thread only, like the port component and the view it talks to. The
// link keeps references to both; they must outlive it.
//
// Wiring (in the main window, once, after creating Com1 and the link):
//   Com1->OnTriggerAvail = [this](px708::TComPort& cp, std::uint16_t n) {
//       link_->Com1TriggerAvail(cp, n);
//   };
// A command handler is one line after its own input checks:
//   link_->command(22, "L" + lotText);

#include "link/flows.h"
#include "link/linkview.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace px708 {

class TComPort;

// Upper-case hexadecimal text to a number: each character adds its position in
// "123456789ABCDEF" (anything else, "0" and lower case included, adds 0). Wraps around past
// 64 bits instead of overflowing.
std::int64_t HexToInt(std::string_view text);

// Page indexes of the page control, as the connect operation sees them.
namespace page {
constexpr int cover = 0;
constexpr int settings1 = 1;
constexpr int zelmarSettings2 = 2;
constexpr int onlineSettings3 = 3;
constexpr int onlineSettings4 = 4;
constexpr int data = 5;
constexpr int keylotUpload = 6;
constexpr int comPortBuffer = 7;
constexpr int manual = 8;
} // namespace page

// Texts of the label `mode`.
inline constexpr std::string_view kModeOffLine = "currently OFF line";
inline constexpr std::string_view kModeZelmar = "currently Zelmar mode";
inline constexpr std::string_view kModeOnline = "currently on-line mode";

inline constexpr std::string_view kRefusalText = "The reader returned an ERROR message. Try again.";

// Where the receiving front takes its bytes from: the port in the program, a byte string in a
// fuzz target.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Takes one byte; false when nothing is left.
    virtual bool take(char& c) = 0;
};

class ReaderLink {
public:
    static constexpr std::int32_t stateLive = 0;
    static constexpr std::int32_t stateFetch = 4;
    static constexpr std::int32_t stateModeSwitch = 99;
    // States below this one are received in the on-line regime.
    static constexpr std::int32_t firstCommandState = 5;

    ReaderLink(TComPort& port, LinkView& view);

    std::int32_t state() const { return state_; }
    void setState(std::int32_t s) { state_ = s; }

    const std::string& replyBuffer() const { return reply_; }

    // The window the link writes its replies into, for the code that runs the flows.
    LinkView& view() { return view_; }

    // The handlers of the reply flows. Transfer code registers its downloads and uploads
    // here; pages register the flows that only change their view.
    FlowTable& flows() { return flows_; }
    const FlowTable& flows() const { return flows_; }
    void clearReplyBuffer() { reply_.clear(); }

    std::chrono::milliseconds pause() const { return pause_; }
    void setPause(std::chrono::milliseconds p) { pause_ = p; }

    // The mode-switch marker, 1Ah unless changed; an empty marker never matches.
    const std::string& modeSwitchMarker() const { return marker_; }
    void setModeSwitchMarker(std::string m) { marker_ = std::move(m); }

    // Sends each character as its own SendString, sleeping the pause after each (twice the
    // pause when the marker occurs in the command), then the carriage return with no sleep.
    // Blocks the main thread for the whole command. Errors of the port (EComPortException,
    // "Device not open") go to the caller; what was sent before stays sent.
    void sendit(std::string_view command);

    // The usual command: activeport, set the state, clear the reply buffer, sendit.
    // Handlers that change the screen before sending ("Checking memory") do so first.
    void command(std::int32_t state, std::string_view wire);

    // "Fetch Readings": guarded by activeport_online; state 4, buffer cleared, then the
    // single byte ENQ (05h) with no pause and no carriage return.
    void fetchReadings();

    // The data-available handler. Takes up to count bytes with ReadChar; a refusal, the ACK
    // of the download store and a few rows end the batch early, leaving the rest unread in
    // the port for its next announcement.
    void Com1TriggerAvail(TComPort& sender, std::uint16_t count);
    // The same for bytes from any source: up to count bytes, ended early as above.
    void receive(ByteSource& source, std::uint16_t count);

    // Guards for command handlers. activeport lets everything through; activeport_online
    // refuses with "Click on CONNECT!" only when the port is closed and the state is 0.
    bool activeport() const { return true; }
    bool activeport_online();

    // The message dialog; "x" stands for the refusal text.
    void show_message(const std::string& text);

    // The mode operations. Each sets the state and sends the marker and a digit, then writes
    // the label `mode` through the view and returns the text it wrote. When the send throws,
    // the label keeps what it had and the exception goes to the caller.
    //   connectForPage: the hidden Connect button; first sets "currently OFF line". Zelmar
    //     mode (state 99) for Settings (1), Zelmar Mode Settings (2), On-Line Settings(4), Data
    //     and Keylot Upload; on-line mode (state 0) for On-Line Settings (3); nothing for the
    //     others. Repaints before sending.
    //   setZelmarMode, setOnlineMode: the two top-strip buttons, both state 99.
    std::string_view connectForPage(int pageIndex);
    std::string_view setZelmarMode();
    std::string_view setOnlineMode();

private:
    void receiveOnline(ByteSource& source, std::uint16_t count);
    void receiveCommand(ByteSource& source, std::uint16_t count);
    std::string_view switchMode(std::int32_t state, char digit, std::string_view label);

    TComPort& port_;
    LinkView& view_;
    FlowTable flows_;
    std::int32_t state_ = stateLive;
    std::string reply_;
    std::chrono::milliseconds pause_{150};
    std::string marker_ = "\x1A";
};

} // namespace px708
