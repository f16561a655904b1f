#pragma once
// Port numbers name devices through the section [ports] of px708.ini: the key COMn holds a
// device path. A number without a key is /dev/ttyS<n-1>.
// Thread affinity: set once at start-up on the main thread, read from any thread after.

#include <map>
#include <string>

namespace px708 {
class IniFile;
}

namespace px708 {

// The [ports] section: keys COMn (any case, n > 0) with their device paths.
std::map<int, std::string> readPortMap(const IniFile& ini);
void setPortMap(std::map<int, std::string> map);
std::string devicePathForPort(int n);

} // namespace px708
