#include "sim/simulator.h"

#include "sim/simhex.h"
#include "sim/simline.h"
#include "sim/simreader.h"
#include "sim/simreceiver.h"
#include "sim/simstate.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <poll.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace px708::sim {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// While nobody has the slave open the master reports a hang-up on every poll, so it is left out
// of the poll set and looked at again this often.
constexpr auto kHangupRecheck = 20ms;
constexpr auto kDefaultSplitGap = 60ms;

int stopPipe[2] = {-1, -1};

extern "C" void onStopSignal(int) {
    const int saved = errno;
    const char byte = 's';
    [[maybe_unused]] const auto n = ::write(stopPipe[1], &byte, 1);
    errno = saved;
}

std::string timestamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(millis));
    return text;
}

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

std::optional<long> number(const std::string& text, long max) {
    if (text.empty() || text.size() > 9 || !isDigits(text))
        return std::nullopt;
    const long value = std::stol(text);
    return value <= max ? std::optional<long>(value) : std::nullopt;
}

// One source of control lines: standard input or the FIFO.
struct ControlInput {
    Fd fd;
    bool owned = true; // false for standard input, which is not closed
    std::string pending;
    ~ControlInput() {
        if (!owned)
            fd.release();
    }
};

class Simulator {
public:
    Simulator(const Options& options, std::ostream& out)
        : options_(options), out_(out), receiver_(options.minGap), reader_(initialState()) {}

    ~Simulator() {
        if (fifoCreated_)
            ::unlink(options_.controlPath.c_str());
    }

    int run();

private:
    ReaderState initialState();
    void openLine();
    void openControl();
    void log(std::string_view what);
    void saveIfChanged();

    void readLine();
    void onHangup();
    void checkReconnected();
    void handle(const Received& event);
    void schedule(std::string bytes);
    void writeDue();
    Clock::time_point nextDue() const;

    bool readControl(ControlInput& input);
    void control(const std::string& line);

    struct Chunk {
        Clock::time_point due;
        std::string bytes;
    };

    const Options& options_;
    std::ostream& out_;
    Receiver receiver_;
    Reader reader_;
    Fd line_;
    bool pseudoTerminal_ = false;
    bool hungUp_ = false;
    std::unique_ptr<SymbolicLink> link_;
    std::ofstream log_;
    std::vector<std::unique_ptr<ControlInput>> controls_;
    bool fifoCreated_ = false;
    Fd fifoWriter_; // keeps the FIFO open so that a writer closing it does not read as its end
    std::deque<Chunk> output_;
    Clock::time_point lastDue_{};
    std::chrono::milliseconds delay_{0};
    std::size_t split_ = 0;
    std::chrono::milliseconds splitGap_{kDefaultSplitGap};
    bool quit_ = false;
    std::string failure_;
};

ReaderState Simulator::initialState() {
    ReaderState state = freshState();
    bool save = options_.fill >= 0;
    if (!options_.statePath.empty()) {
        if (auto loaded = loadState(options_.statePath))
            state = std::move(*loaded);
        else
            save = true;
    }
    if (options_.fill >= 0)
        fillMemory(state, options_.fill, defaultFillLots(options_.fill));
    if (save && !options_.statePath.empty())
        saveState(options_.statePath, state);
    return state;
}

void Simulator::openLine() {
    if (!options_.device.empty()) {
        line_ = openDevice(options_.device, options_.baud);
        out_ << "px708-sim: device " << options_.device << '\n';
        return;
    }
    PseudoTerminal pty = openPseudoTerminal();
    line_ = std::move(pty.master);
    pseudoTerminal_ = true;
    hungUp_ = true; // nobody has the slave open yet
    out_ << "px708-sim: slave " << pty.slaveName << '\n';
    if (!options_.link.empty()) {
        link_ = std::make_unique<SymbolicLink>(options_.link, pty.slaveName);
        out_ << "px708-sim: link " << options_.link << '\n';
    }
}

void Simulator::openControl() {
    auto in = std::make_unique<ControlInput>();
    in->fd = Fd(STDIN_FILENO);
    in->owned = false;
    controls_.push_back(std::move(in));
    if (options_.controlPath.empty())
        return;
    struct stat st {};
    if (::stat(options_.controlPath.c_str(), &st) == 0) {
        if (!S_ISFIFO(st.st_mode))
            throw LineError(options_.controlPath + ": exists and is not a FIFO");
    } else if (::mkfifo(options_.controlPath.c_str(), 0600) == 0) {
        fifoCreated_ = true;
    } else {
        throw LineError(options_.controlPath + ": " + std::strerror(errno));
    }
    auto fifo = std::make_unique<ControlInput>();
    fifo->fd = Fd(::open(options_.controlPath.c_str(), O_RDONLY | O_NONBLOCK));
    if (!fifo->fd)
        throw LineError(options_.controlPath + ": " + std::strerror(errno));
    fifoWriter_ = Fd(::open(options_.controlPath.c_str(), O_WRONLY | O_NONBLOCK));
    controls_.push_back(std::move(fifo));
}

void Simulator::log(std::string_view what) {
    if (log_.is_open())
        log_ << timestamp() << ' ' << what << std::endl;
}

void Simulator::saveIfChanged() {
    if (reader_.takeChanged() && !options_.statePath.empty())
        saveState(options_.statePath, reader_.state());
}

int Simulator::run() {
    if (!options_.logPath.empty()) {
        log_.open(options_.logPath, std::ios::app);
        if (!log_)
            throw LineError(options_.logPath + ": cannot open the log");
    }
    openLine();
    openControl();
    out_ << "px708-sim: ready" << std::endl;
    log("started");

    while (!quit_) {
        std::vector<pollfd> fds;
        fds.push_back({stopPipe[0], POLLIN, 0});
        const std::size_t firstControl = fds.size();
        for (const auto& c : controls_)
            fds.push_back({c->fd.get(), POLLIN, 0});
        const bool watchLine = !hungUp_;
        const std::size_t lineIndex = fds.size();
        if (watchLine) {
            short events = POLLIN;
            if (!output_.empty() && output_.front().due <= Clock::now())
                events |= POLLOUT;
            fds.push_back({line_.get(), events, 0});
        }

        // A reply piece that is due waits for POLLOUT; one that is not yet due sets the timeout.
        int timeout = -1;
        if (!output_.empty() && nextDue() > Clock::now()) {
            const auto wait =
                std::chrono::ceil<std::chrono::milliseconds>(nextDue() - Clock::now());
            timeout = static_cast<int>(wait.count());
        }
        if (hungUp_ && (timeout < 0 || timeout > kHangupRecheck.count()))
            timeout = static_cast<int>(kHangupRecheck.count());

        if (::poll(fds.data(), fds.size(), timeout) < 0) {
            if (errno == EINTR)
                continue;
            throw LineError(std::string("poll: ") + std::strerror(errno));
        }
        if (fds[0].revents != 0) {
            log("stopped by signal");
            break;
        }
        if (watchLine && fds[lineIndex].revents != 0)
            readLine();
        if (hungUp_)
            checkReconnected();
        for (std::size_t i = 0; i < controls_.size() && !quit_; ++i) {
            if (fds[firstControl + i].revents != 0 && !readControl(*controls_[i])) {
                // End of standard input: the program keeps running until told to stop.
                controls_.erase(controls_.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
        }
        // Saved before the reply goes out: whatever the PC has seen acknowledged is in the file.
        saveIfChanged();
        writeDue();
        if (!failure_.empty())
            throw LineError(failure_);
    }
    if (!options_.statePath.empty())
        saveState(options_.statePath, reader_.state());
    log("ended");
    return 0;
}

void Simulator::readLine() {
    char buffer[1024];
    for (;;) {
        const ssize_t n = ::read(line_.get(), buffer, sizeof buffer);
        if (n > 0) {
            const std::string_view bytes(buffer, static_cast<std::size_t>(n));
            log("<< " + printable(bytes));
            std::vector<Received> events;
            receiver_.feed(bytes, Clock::now(), events);
            for (const auto& e : events)
                handle(e);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        // The master reads EIO (or end of file) once the last opener of the slave has gone.
        if (pseudoTerminal_) {
            onHangup();
            return;
        }
        failure_ = options_.device + ": " + (n == 0 ? "end of file" : std::strerror(errno));
        return;
    }
}

void Simulator::onHangup() {
    if (!hungUp_) {
        if (!output_.empty())
            log("line closed; " + std::to_string(output_.size()) + " reply pieces not delivered");
        else
            log("line closed");
    }
    hungUp_ = true;
    receiver_.reset();
    output_.clear();
}

void Simulator::checkReconnected() {
    pollfd p{line_.get(), POLLIN, 0};
    if (::poll(&p, 1, 0) < 0)
        return;
    if ((p.revents & POLLHUP) == 0) {
        hungUp_ = false;
        log("line opened");
    }
    // What arrived meanwhile is taken now; from a short-lived opener that has already closed
    // again it is answered into the void, as a real reader would.
    if ((p.revents & POLLIN) != 0)
        readLine();
}

void Simulator::handle(const Received& event) {
    switch (event.kind) {
    case Received::Kind::Lost:
        log("lost " + printable(event.text));
        return;
    case Received::Kind::Enq:
        schedule(reader_.enquiry());
        return;
    case Received::Kind::Command:
        schedule(reader_.command(event.text));
        return;
    }
}

void Simulator::schedule(std::string bytes) {
    if (bytes.empty())
        return;
    if (hungUp_) {
        log("not delivered (line closed): " + printable(bytes));
        return;
    }
    auto due = std::max(Clock::now() + delay_, lastDue_);
    const std::size_t piece = split_ == 0 ? bytes.size() : split_;
    for (std::size_t pos = 0; pos < bytes.size(); pos += piece) {
        output_.push_back({due, bytes.substr(pos, piece)});
        lastDue_ = due;
        due += splitGap_;
    }
}

Clock::time_point Simulator::nextDue() const {
    return output_.front().due;
}

void Simulator::writeDue() {
    while (!output_.empty() && !hungUp_ && output_.front().due <= Clock::now()) {
        auto& chunk = output_.front();
        const ssize_t n = ::write(line_.get(), chunk.bytes.data(), chunk.bytes.size());
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                return;
            if (pseudoTerminal_ && errno == EIO) {
                onHangup();
                return;
            }
            failure_ = options_.device + ": " + std::strerror(errno);
            return;
        }
        log(">> " +
            printable(std::string_view(chunk.bytes).substr(0, static_cast<std::size_t>(n))));
        chunk.bytes.erase(0, static_cast<std::size_t>(n));
        if (chunk.bytes.empty())
            output_.pop_front();
    }
}

bool Simulator::readControl(ControlInput& input) {
    char buffer[512];
    const ssize_t n = ::read(input.fd.get(), buffer, sizeof buffer);
    if (n < 0)
        return errno == EAGAIN || errno == EINTR;
    if (n == 0)
        return false;
    input.pending.append(buffer, static_cast<std::size_t>(n));
    for (auto end = input.pending.find('\n'); end != std::string::npos && !quit_;
         end = input.pending.find('\n')) {
        std::string line = input.pending.substr(0, end);
        input.pending.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        control(line);
    }
    return true;
}

void Simulator::control(const std::string& line) {
    const auto w = words(line);
    if (w.empty())
        return;
    log("control: " + line);
    const std::string& verb = w[0];
    auto answer = [&](const std::string& text) { out_ << text << std::endl; };
    auto error = [&](const std::string& text) { answer("error: " + text); };

    if (verb == "read") {
        std::string code;
        char type = '0';
        std::string country = "000";
        if (w.size() >= 2) {
            const auto c = transponderCode(w[1]);
            if (!c)
                return error("a code is ten hexadecimal digits");
            code = *c;
        }
        if (w.size() == 4) {
            if (w[2].size() != 1 || !isUpperHex(w[2]) || w[3].size() != 3 || !isUpperHex(w[3]))
                return error("type is one hexadecimal digit, country three");
            type = w[2][0];
            country = w[3];
        } else if (w.size() != 1 && w.size() != 2) {
            return error("usage: read [CODE [TYPE COUNTRY]]");
        }
        std::string note;
        schedule(reader_.present(code, type, country, note));
        return answer("ok " + note);
    }
    if (verb == "fill") {
        const auto n = w.size() >= 2 ? number(w[1], kMaxCapacity) : std::nullopt;
        const auto lots =
            w.size() == 3 ? number(w[2], 254) : std::optional<long>(n ? defaultFillLots(*n) : 0);
        if (!n || !lots || *lots < 1 || w.size() > 3)
            return error("usage: fill N [LOTS] (N 0 to 65535 readings, LOTS 1 to 254)");
        reader_.fill(static_cast<int>(*n), static_cast<int>(*lots));
        const auto& readings = reader_.state().readings;
        if (readings.empty())
            return answer("ok memory empty");
        return answer("ok " + std::to_string(readings.size()) + " readings in lots " +
                      lotText(readings.front().lot) + " to " + lotText(readings.back().lot));
    }
    if (verb == "fillstore" || verb == "burst") {
        const auto n = w.size() == 2 ? number(w[1], kMaxCapacity) : std::nullopt;
        if (!n)
            return error("usage: " + verb + " N (0 to 65535)");
        // Made-up codes numbered on from what the memory holds, so that they differ from it.
        const int first = static_cast<int>(reader_.state().readings.size());
        if (verb == "fillstore") {
            for (int i = 0; i < *n; ++i)
                reader_.addToStore(madeUpCode(first + i));
            return answer("ok " + std::to_string(reader_.state().store.size()) +
                          " readings in the download store");
        }
        // All the lines go out as one reply: the reader at full speed.
        std::string bytes;
        std::string note;
        for (int i = 0; i < *n; ++i)
            bytes += reader_.present(madeUpCode(first + i), '0', "000", note);
        schedule(std::move(bytes));
        return answer("ok " + std::to_string(*n) + " transponders: " + note);
    }
    if (verb == "store" || verb == "queue") {
        const auto c = w.size() == 2 ? transponderCode(w[1]) : std::nullopt;
        if (!c)
            return error("usage: " + verb + " CODE (ten hexadecimal digits)");
        if (verb == "store")
            reader_.addToStore(*c);
        else
            reader_.addToQueue(*c);
        return answer("ok");
    }
    if (verb == "refuse") {
        if (w.size() != 2)
            return error("usage: refuse COMMAND (for example S or AB)");
        reader_.refuseNext(w[1]);
        return answer("ok");
    }
    if (verb == "split") {
        const auto n = w.size() >= 2 ? number(w[1], 4096) : std::nullopt;
        const auto gap =
            w.size() == 3 ? number(w[2], 60000) : std::optional<long>(kDefaultSplitGap.count());
        if (!n || !gap || w.size() > 3)
            return error("usage: split N [MS] (N 0 delivers replies whole)");
        split_ = static_cast<std::size_t>(*n);
        splitGap_ = std::chrono::milliseconds(*gap);
        return answer("ok");
    }
    if (verb == "delay") {
        const auto ms = w.size() == 2 ? number(w[1], 600000) : std::nullopt;
        if (!ms)
            return error("usage: delay MS");
        delay_ = std::chrono::milliseconds(*ms);
        return answer("ok");
    }
    if (verb == "state") {
        out_ << formatState(reader_.state());
        out_ << "mode " << (reader_.mode() == Mode::Zelmar ? "zelmar" : "online") << '\n';
        out_ << "clock " << clockText(reader_.now()) << '\n';
        return answer("ok");
    }
    if (verb == "help") {
        out_ << "read [CODE [TYPE COUNTRY]]  burst N  store CODE  fillstore N  fill N [LOTS]\n"
                "queue CODE  refuse COMMAND  split N [MS]  delay MS  state  help  quit\n";
        return answer("ok");
    }
    if (verb == "quit") {
        quit_ = true;
        return answer("ok");
    }
    error("unknown control \"" + verb + "\"; try help");
}

} // namespace

void installStopHandlers() {
    if (stopPipe[0] < 0 && ::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

int runSimulator(const Options& options, std::ostream& out, std::ostream& err) {
    try {
        Simulator simulator(options, out);
        return simulator.run();
    } catch (const std::exception& e) {
        err << "px708-sim: " << e.what() << std::endl;
        return 1;
    }
}

} // namespace px708::sim
