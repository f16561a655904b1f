#pragma once
// The reader's receiving front: the pacing a slow firmware imposes and the assembly of commands.
// A character that arrives sooner than the minimum gap after the previous character is lost.
// Characters that come in one read count as arriving together. A command ends at a carriage
// return (a line feed is taken the same way, for hand-typed sessions); the mode-switch marker
// 1Ah starts a new command; ENQ (05h) is taken at once, outside any command.
// Thread affinity: one thread (the simulator's loop).

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace px708::sim {

struct Received {
    enum class Kind { Command, Enq, Lost };
    Kind kind;
    std::string text; // the command, or the lost character
};

class Receiver {
public:
    using Clock = std::chrono::steady_clock;

    explicit Receiver(std::chrono::milliseconds minGap) : minGap_(minGap) {}

    // Takes the bytes of one read, all arrived at the time at; appends what they make to out.
    void feed(std::string_view bytes, Clock::time_point at, std::vector<Received>& out);

    // Forgets a half-received command (the line was hung up).
    void reset();

private:
    static constexpr std::size_t kMaxCommand = 256;

    std::chrono::milliseconds minGap_;
    std::string pending_;
    bool any_ = false;
    Clock::time_point last_{};
};

} // namespace px708::sim
