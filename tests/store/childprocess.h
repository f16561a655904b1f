#pragma once
// A second program on the same table files: this test executable started again in one of
// its child modes (see storetestmain.cpp), with its standard input and output on pipes.
// Starting a fresh executable rather than forking keeps the engine's in-process lock
// bookkeeping of the test out of the child.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace px708::test {

class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& args);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    // Kills the child if it still runs and reaps it.
    ~ChildProcess();

    // The next line the child wrote, or nothing when it ended or the deadline passed.
    std::optional<std::string> readLine(std::chrono::milliseconds deadline);
    // Closes the child's standard input: a holding child then ends.
    void closeInput();
    void kill(int signal);
    // Waits for the child to end; its wait status.
    int wait();

private:
    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    std::string buffered_;
};

} // namespace px708::test
