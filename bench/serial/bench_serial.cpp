// Receive latency and sustained receive of the serial component over a pseudo-terminal.

#include "serial/comport.h"
#include "serial/portmap.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPort = 9;

struct Pty {
    Pty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ::grantpt(master);
        ::unlockpt(master);
        slave = ::ptsname(master);
        px708::setPortMap({{kPort, slave}});
    }
    ~Pty() { ::close(master); }
    int master;
    std::string slave;
};

void openPort(px708::TComPort& com) {
    com.setComNumber(kPort);
    com.setBaud(115200);
    com.setAutoOpen(false);
    com.setOpen(true);
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * (v.size() - 1))];
}

// One byte written at the master until OnTriggerAvail runs on the main thread.
void BM_ReceiveLatency(benchmark::State& state) {
    Pty pty;
    px708::TComPort com;
    Clock::time_point arrived;
    bool seen = false;
    com.OnTriggerAvail = [&](px708::TComPort& cp, std::uint16_t count) {
        arrived = Clock::now();
        for (int i = 0; i < count; ++i)
            cp.ReadChar();
        seen = true;
    };
    openPort(com);
    std::vector<double> samples;
    for (auto _ : state) {
        seen = false;
        const auto sent = Clock::now();
        (void)!::write(pty.master, "x", 1);
        while (!seen)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        const double us = std::chrono::duration<double, std::micro>(arrived - sent).count();
        samples.push_back(us);
        state.SetIterationTime(us / 1e6);
    }
    com.setOpen(false);
    state.counters["p50_us"] = percentile(samples, 0.50);
    state.counters["p99_us"] = percentile(samples, 0.99);
    state.counters["max_us"] = percentile(samples, 1.0);
}
BENCHMARK(BM_ReceiveLatency)->UseManualTime()->Iterations(3000)->Unit(benchmark::kMicrosecond);

// A peer writes a numbered byte stream at a given rate (0: as fast as it can) for a given time
// or volume; every byte must arrive, in order.
void BM_SustainedReceive(benchmark::State& state) {
    const auto bytesPerSecond = static_cast<std::size_t>(state.range(0));
    const auto seconds = static_cast<std::size_t>(state.range(1));
    const std::size_t total = bytesPerSecond ? bytesPerSecond * seconds : std::size_t{64} << 20;
    for (auto _ : state) {
        Pty pty;
        px708::TComPort com;
        std::size_t received = 0;
        std::size_t outOfOrder = 0;
        com.OnTriggerAvail = [&](px708::TComPort& cp, std::uint16_t count) {
            for (int i = 0; i < count; ++i) {
                const auto c = static_cast<unsigned char>(cp.ReadChar());
                if (c != static_cast<unsigned char>(received % 251))
                    ++outOfOrder;
                ++received;
            }
        };
        openPort(com);
        const auto start = Clock::now();
        std::thread writer([&] {
            std::vector<char> chunk;
            std::size_t sent = 0;
            const std::size_t step =
                bytesPerSecond ? std::max<std::size_t>(bytesPerSecond / 100, 1) : 65536;
            while (sent < total) {
                const std::size_t n = std::min(step, total - sent);
                chunk.resize(n);
                for (std::size_t i = 0; i < n; ++i)
                    chunk[i] = static_cast<char>((sent + i) % 251);
                std::size_t done = 0;
                while (done < n) {
                    const ssize_t w = ::write(pty.master, chunk.data() + done, n - done);
                    if (w > 0)
                        done += static_cast<std::size_t>(w);
                }
                sent += n;
                if (bytesPerSecond)
                    std::this_thread::sleep_until(
                        start + std::chrono::microseconds(sent * 1'000'000 / bytesPerSecond));
            }
        });
        const auto deadline = start + std::chrono::seconds(seconds + 30);
        while (received < total && Clock::now() < deadline)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        writer.join();
        com.setOpen(false);
        state.SetIterationTime(elapsed);
        state.counters["lost"] = static_cast<double>(total - received);
        state.counters["out_of_order"] = static_cast<double>(outOfOrder);
        state.counters["MB_per_s"] = static_cast<double>(received) / elapsed / 1e6;
    }
}
// 115200 baud is 11520 bytes a second; then as fast as the peer can write.
BENCHMARK(BM_SustainedReceive)
    ->Args({11520, 60})
    ->Args({0, 0})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
