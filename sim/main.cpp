// px708-sim: a PX-708 reader on the far end of a serial line, for demonstrations without
// hardware and for the tests.

#include "sim/simulator.h"

#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kUsage =
    "usage: px708-sim [--link PATH | --device PATH [--baud N]] [--min-gap MS]\n"
    "                 [--state FILE] [--fill N] [--control FIFO] [--log FILE]\n"
    "\n"
    "  --link PATH     make the pseudo-terminal's slave reachable at PATH (a symbolic link)\n"
    "  --device PATH   answer on an existing serial device instead of a pseudo-terminal\n"
    "  --baud N        line rate for --device (default 9600)\n"
    "  --min-gap MS    a character arriving sooner than MS after the previous one is lost\n"
    "  --state FILE    load the reader from FILE and keep it there (created when missing)\n"
    "  --fill N        fill the memory with N made-up readings (blocks of 100 a lot)\n"
    "  --control FIFO  read control lines from FIFO as well as from standard input\n"
    "  --log FILE      append a timestamped transcript of both directions to FILE\n"
    "\n"
    "Control lines: read [CODE [TYPE COUNTRY]], burst N, store CODE, fillstore N,\n"
    "fill N [LOTS], queue CODE, refuse COMMAND, split N [MS], delay MS, state, help, quit.\n";

bool wholeNumber(const std::string& text, long max, long& value) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stol(text);
    return value <= max;
}

int usageError(const std::string& message) {
    std::cerr << "px708-sim: " << message << "\n\n" << kUsage;
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    px708::sim::Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (i + 1 >= argc)
            return usageError("unknown option or missing value: " + arg);
        const std::string value = argv[++i];
        long number = 0;
        if (arg == "--link") {
            options.link = value;
        } else if (arg == "--device") {
            options.device = value;
        } else if (arg == "--baud") {
            if (!wholeNumber(value, 4000000, number))
                return usageError("--baud needs a rate");
            options.baud = static_cast<int>(number);
        } else if (arg == "--min-gap") {
            if (!wholeNumber(value, 60000, number))
                return usageError("--min-gap needs milliseconds (0 to 60000)");
            options.minGap = std::chrono::milliseconds(number);
        } else if (arg == "--state") {
            options.statePath = value;
        } else if (arg == "--fill") {
            if (!wholeNumber(value, 65535, number))
                return usageError("--fill needs a number of readings (0 to 65535)");
            options.fill = static_cast<int>(number);
        } else if (arg == "--control") {
            options.controlPath = value;
        } else if (arg == "--log") {
            options.logPath = value;
        } else {
            return usageError("unknown option: " + arg);
        }
    }
    if (!options.link.empty() && !options.device.empty())
        return usageError("--link and --device exclude each other");

    px708::sim::installStopHandlers();
    return px708::sim::runSimulator(options, std::cout, std::cerr);
}
