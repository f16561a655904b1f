#pragma once
// A virtual reader started from a state written here, with the PC's end of its line open.

#include "tests/sim/simclient.h"

#include <gtest/gtest.h>

#include <memory>

namespace simtest {

inline constexpr const char* kVersion = "PX-708 SIM V1.00";

// Three readings in lots 01 and 02, room for ten, two readings in the download store and two
// transponders waiting for "I".
inline constexpr const char* kKnownState = R"(px708-sim-state 1
lot 03
keylot 01
baud 96
save 1
seek 0
display 0
trigger 1
checkdigit 0
acknak 1
enq 1
bidirectional 0
scanstore 0
nodecode 1
leds 0
tone 0
message 4E4F2052454144
prefix
suffix
top
bottom
clock-offset 0
capacity 10
reading 0102DFDC1C35230415061430050053D9
reading 010006E4F1A223041506143502000000
reading 0200672918452305020209051700C000
store 0006E4F1A2
store 0000BC614E
queue 0006A1B2C3
queue 16FEE0E52D
)";

class KnownReader {
public:
    explicit KnownReader(const std::string& stateText = kKnownState,
                         std::vector<std::string> extraArgs = {}) {
        writeFile(statePath(), stateText);
        std::vector<std::string> args = {"--state", statePath()};
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        sim = std::make_unique<SimProcess>(args);
        if (sim->started())
            port = std::make_unique<PortClient>(sim->slave());
    }

    bool ready() const { return sim->started() && port && port->isOpen(); }
    std::string statePath() const { return dir.file("state.txt"); }

    TempDir dir;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<PortClient> port;
};

} // namespace simtest
