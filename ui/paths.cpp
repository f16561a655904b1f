#include "ui/paths.h"

#include "serial/inifile.h"

namespace px708 {

std::filesystem::path dataFolder() {
    return (executableFolder().parent_path() / "share" / "px708").lexically_normal();
}

} // namespace px708
