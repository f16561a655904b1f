#include "tests/support/childprocess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace px708::test {
namespace {

[[noreturn]] void failWith(const std::string& what, int error = errno) {
    throw std::runtime_error(what + ": " + std::strerror(error));
}

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
    std::vector<char*> raw;
    for (auto& t : texts)
        raw.push_back(t.data());
    raw.push_back(nullptr);
    return raw;
}

} // namespace

ChildProcess::ChildProcess(const std::string& path, const std::vector<std::string>& args,
                           const std::vector<std::string>& extraEnvironment) {
    int toChild[2];
    int fromChild[2];
    if (::pipe2(toChild, O_CLOEXEC) != 0)
        failWith("pipe");
    if (::pipe2(fromChild, O_CLOEXEC) != 0) {
        const int error = errno;
        ::close(toChild[0]);
        ::close(toChild[1]);
        failWith("pipe", error);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
    std::vector<std::string> argv{path};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e)
        env.emplace_back(*e);
    env.insert(env.end(), extraEnvironment.begin(), extraEnvironment.end());
    std::vector<char*> rawArgs = pointersTo(argv);
    std::vector<char*> rawEnv = pointersTo(env);
    const int rc =
        ::posix_spawn(&pid_, path.c_str(), &actions, nullptr, rawArgs.data(), rawEnv.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    in_ = toChild[1];
    out_ = fromChild[0];
    if (rc != 0) {
        pid_ = -1;
        failWith("posix_spawn " + path, rc);
    }
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        wait();
    }
    if (in_ >= 0)
        ::close(in_);
    if (out_ >= 0)
        ::close(out_);
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds deadline) {
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (true) {
        const auto nl = buffered_.find('\n');
        if (nl != std::string::npos) {
            std::string line = buffered_.substr(0, nl);
            buffered_.erase(0, nl + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        pollfd p{out_, POLLIN, 0};
        const int n = ::poll(&p, 1, static_cast<int>(std::max<long>(left.count(), 0)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return std::nullopt;
        char chunk[4096];
        const ssize_t got = ::read(out_, chunk, sizeof chunk);
        if (got <= 0)
            return std::nullopt;
        buffered_.append(chunk, static_cast<std::size_t>(got));
    }
}

std::optional<std::string> ChildProcess::waitForLine(const std::string& prefix,
                                                     std::chrono::milliseconds deadline) {
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        std::optional<std::string> line = readLine(std::max(left, std::chrono::milliseconds(0)));
        if (!line || line->rfind(prefix, 0) == 0)
            return line;
    }
}

void ChildProcess::writeLine(const std::string& line) {
    const std::string text = line + "\n";
    if (::write(in_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        failWith("write to the child");
}

void ChildProcess::closeInput() {
    if (in_ >= 0) {
        ::close(in_);
        in_ = -1;
    }
}

void ChildProcess::kill(int signal) {
    if (pid_ > 0)
        ::kill(pid_, signal);
}

int ChildProcess::wait() {
    int status = 0;
    if (pid_ > 0) {
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
    }
    return status;
}

} // namespace px708::test
