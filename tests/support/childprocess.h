#pragma once
// A second program for a test: a program started with its standard input and output on
// pipes, read line by line. Tests start the real program, or their own executable again in one
// of its child modes: a fresh executable rather than a fork keeps the engine's in-process lock
// bookkeeping of the test out of the child.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace px708::test {

class ChildProcess {
public:
    // The program at path with args, in the test's environment and the extra "NAME=value"s.
    ChildProcess(const std::string& path, const std::vector<std::string>& args,
                 const std::vector<std::string>& extraEnvironment = {});
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    // Kills the child if it still runs and reaps it.
    ~ChildProcess();

    // The next line the child wrote, or nothing when it ended or the deadline passed.
    std::optional<std::string> readLine(std::chrono::milliseconds deadline);
    // Reads lines until one starts with prefix; that line, or nothing.
    std::optional<std::string> waitForLine(const std::string& prefix,
                                           std::chrono::milliseconds deadline);
    void writeLine(const std::string& line);
    // Closes the child's standard input: a holding child then ends.
    void closeInput();
    void kill(int signal);
    // Waits for the child to end; its wait status.
    int wait();
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    std::string buffered_;
};

} // namespace px708::test
