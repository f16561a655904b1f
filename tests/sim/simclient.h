#pragma once
// A plain test client for the virtual reader: starts px708-sim as a child process, talks to its
// control input, and opens its pseudo-terminal like a PC program would.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace simtest {

using namespace std::chrono_literals;

constexpr auto kReplyTimeout = 3s;

// The px708-sim program, running until stop() or destruction.
class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> args);
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;
    ~SimProcess();

    const std::string& slave() const { return slave_; }
    bool started() const { return started_; }
    const std::vector<std::string>& startLines() const { return startLines_; }

    // Sends one control line; returns the lines answered up to and including "ok" or "error: ...".
    std::vector<std::string> control(const std::string& line);

    // The next line the program writes to its standard output; nothing when none comes in time.
    std::optional<std::string> outputLine(std::chrono::milliseconds timeout = kReplyTimeout);

    // Sends a signal and waits for the exit status (or -1 when it did not end in time).
    int stop(int signal);
    // Waits for the program to end by itself; the exit status or -1.
    int wait(std::chrono::milliseconds timeout = 5s);

private:
    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    std::string outBuffer_;
    std::string slave_;
    std::vector<std::string> startLines_;
    bool started_ = false;
};

// The PC's end of the line: the slave of the pseudo-terminal, in raw mode.
class PortClient {
public:
    explicit PortClient(const std::string& path);
    PortClient(const PortClient&) = delete;
    PortClient& operator=(const PortClient&) = delete;
    ~PortClient();

    bool isOpen() const { return fd_ >= 0; }

    // Writes the bytes in one go.
    void write(const std::string& bytes);
    // Writes each piece after waiting gap since the previous one.
    void writePaced(const std::vector<std::string>& pieces, std::chrono::milliseconds gap);

    // A line up to its carriage return (not included); nothing when none completes in time.
    std::optional<std::string> line(std::chrono::milliseconds timeout = kReplyTimeout);
    // The next n lines; fewer when they do not come in time.
    std::vector<std::string> lines(std::size_t n);
    // One byte; nothing when none comes in time.
    std::optional<char> byte(std::chrono::milliseconds timeout = kReplyTimeout);
    // What one read returns once data is there (empty on time-out); nothing may be buffered.
    std::string chunk(std::chrono::milliseconds timeout = kReplyTimeout);

    // Sends a command with its carriage return and collects n reply lines.
    std::vector<std::string> ask(const std::string& command, std::size_t n);

private:
    bool fill(std::chrono::steady_clock::time_point deadline);

    int fd_ = -1;
    std::string buffer_;
};

// A temporary folder, removed with its files at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

void writeFile(const std::string& path, const std::string& text);
std::string readFile(const std::string& path);

} // namespace simtest
