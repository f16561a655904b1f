#include "paths.h"

#include <system_error>

namespace px708 {

std::filesystem::path executableFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path(ec) : exe.parent_path();
}

std::filesystem::path dataFolder() {
    return (executableFolder().parent_path() / "share" / "px708").lexically_normal();
}

} // namespace px708
