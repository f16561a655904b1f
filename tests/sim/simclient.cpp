#include "tests/sim/simclient.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace simtest {

namespace {

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

bool waitReadable(int fd, Clock::time_point deadline) {
    pollfd p{fd, POLLIN, 0};
    for (;;) {
        const int r = ::poll(&p, 1, remainingMs(deadline));
        if (r < 0 && errno == EINTR)
            continue;
        return r > 0;
    }
}

} // namespace

SimProcess::SimProcess(std::vector<std::string> args) {
    int inPipe[2];
    int outPipe[2];
    if (::pipe2(inPipe, O_CLOEXEC) != 0 || ::pipe2(outPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inPipe[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    args.insert(args.begin(), PX708_SIM_PATH);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid_, PX708_SIM_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(inPipe[0]);
    ::close(outPipe[1]);
    in_ = inPipe[1];
    out_ = outPipe[0];
    if (rc != 0) {
        pid_ = -1;
        return;
    }
    while (auto l = outputLine(5s)) {
        startLines_.push_back(*l);
        if (l->rfind("px708-sim: slave ", 0) == 0)
            slave_ = l->substr(17);
        if (*l == "px708-sim: ready") {
            started_ = true;
            break;
        }
    }
}

SimProcess::~SimProcess() {
    if (pid_ > 0)
        stop(SIGTERM);
    if (in_ >= 0)
        ::close(in_);
    if (out_ >= 0)
        ::close(out_);
}

std::optional<std::string> SimProcess::outputLine(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const auto end = outBuffer_.find('\n');
        if (end != std::string::npos) {
            std::string l = outBuffer_.substr(0, end);
            outBuffer_.erase(0, end + 1);
            return l;
        }
        if (!waitReadable(out_, deadline))
            return std::nullopt;
        char buffer[4096];
        const ssize_t n = ::read(out_, buffer, sizeof buffer);
        if (n <= 0)
            return std::nullopt;
        outBuffer_.append(buffer, static_cast<std::size_t>(n));
    }
}

std::vector<std::string> SimProcess::control(const std::string& line) {
    const std::string text = line + "\n";
    if (::write(in_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        return {};
    std::vector<std::string> answer;
    while (auto l = outputLine(kReplyTimeout)) {
        answer.push_back(*l);
        if (*l == "ok" || l->rfind("ok ", 0) == 0 || l->rfind("error: ", 0) == 0)
            break;
    }
    return answer;
}

int SimProcess::wait(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (pid_ > 0) {
        int status = 0;
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (Clock::now() >= deadline)
            return -1;
        std::this_thread::sleep_for(5ms);
    }
    return -1;
}

int SimProcess::stop(int signal) {
    if (pid_ <= 0)
        return -1;
    ::kill(pid_, signal);
    const int status = wait();
    if (status == -1 && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        wait();
    }
    return status;
}

PortClient::PortClient(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return;
    termios t{};
    tcgetattr(fd_, &t);
    cfmakeraw(&t);
    tcsetattr(fd_, TCSANOW, &t);
}

PortClient::~PortClient() {
    if (fd_ >= 0)
        ::close(fd_);
}

void PortClient::write(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return;
    }
}

void PortClient::writePaced(const std::vector<std::string>& pieces, std::chrono::milliseconds gap) {
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            std::this_thread::sleep_for(gap);
        write(pieces[i]);
    }
}

bool PortClient::fill(Clock::time_point deadline) {
    if (!waitReadable(fd_, deadline))
        return false;
    char buffer[4096];
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n <= 0)
        return false;
    buffer_.append(buffer, static_cast<std::size_t>(n));
    return true;
}

std::optional<std::string> PortClient::line(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const auto end = buffer_.find('\r');
        if (end != std::string::npos) {
            std::string l = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return l;
        }
        if (!fill(deadline))
            return std::nullopt;
    }
}

std::vector<std::string> PortClient::lines(std::size_t n) {
    std::vector<std::string> out;
    while (out.size() < n) {
        auto l = line();
        if (!l)
            break;
        out.push_back(*l);
    }
    return out;
}

std::optional<char> PortClient::byte(std::chrono::milliseconds timeout) {
    if (buffer_.empty() && !fill(Clock::now() + timeout))
        return std::nullopt;
    const char c = buffer_.front();
    buffer_.erase(0, 1);
    return c;
}

std::string PortClient::chunk(std::chrono::milliseconds timeout) {
    if (!fill(Clock::now() + timeout))
        return {};
    return std::exchange(buffer_, {});
}

std::vector<std::string> PortClient::ask(const std::string& command, std::size_t n) {
    write(command + "\r");
    return lines(n);
}

TempDir::TempDir() {
    char pattern[] = "/tmp/px708-simtest-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (made == nullptr)
        throw std::runtime_error("mkdtemp");
    path_ = made;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace simtest
