#pragma once
// The probe of the serial ports: which devices can be opened exclusively right now, tried
// directly through the operating system, independently of any open TComPort.
//
// Thread affinity: none; safe from any thread. Each call opens and closes its own descriptor.

#include <string>
#include <vector>

namespace px708 {

// True exactly when device exists and could be opened for reading and writing and taken
// exclusively (flock LOCK_EX | LOCK_NB and TIOCEXCL), as the port component opens a port.
// A device held by any opener, this process's own open port included, is not available.
// The descriptor is closed again before returning, and the exclusive mode it set is cleared,
// so the probe leaves the device as it found it.
bool ComPortAvailable(const std::string& device);

// The port numbers from first to last (both inclusive), in increasing order, whose device
// (devicePathForPort) is available.
std::vector<int> availablePorts(int first, int last);

} // namespace px708
