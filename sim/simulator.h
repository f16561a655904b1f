#pragma once
// The virtual reader's program: the line, the state file, the control input and the
// transcript around one Reader, driven by a single poll loop.
// Thread affinity: run() on one thread; stopFromSignal() from a signal handler.

#include <chrono>
#include <iosfwd>
#include <string>

namespace px708::sim {

struct Options {
    std::string link;   // symbolic link to the pseudo-terminal's slave
    std::string device; // an existing serial device instead of a pseudo-terminal
    int baud = 9600;    // line rate when a device is used
    std::chrono::milliseconds minGap{0};
    std::string statePath;   // loaded at start, saved after every change and at the end
    std::string controlPath; // a FIFO read like standard input
    std::string logPath;     // timestamped transcript of both directions
    int fill = -1;           // made-up readings to fill the memory with at start; -1 none
};

// Runs until "quit", SIGINT or SIGTERM. Start-up lines and the answers to control lines go to
// out; errors that stop the program go to err. Returns the exit status.
int runSimulator(const Options& options, std::ostream& out, std::ostream& err);

// Installs the SIGINT and SIGTERM handlers that end runSimulator cleanly.
void installStopHandlers();

} // namespace px708::sim
