#pragma once
// What the start-up programs print: one line "<what> <ns> <kB>" with the wall-clock time now
// (nanoseconds since the epoch, CLOCK_REALTIME, comparable with the time the caller took when
// it started the program) and the resident memory in kilobytes.

#include <ctime>
#include <fstream>
#include <iostream>
#include <string>

namespace startup {

inline long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

inline void printStamp(const char* what) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::cout << what << ' ' << (now.tv_sec * 1000000000LL + now.tv_nsec) << ' '
              << residentKilobytes() << std::endl;
}

} // namespace startup
