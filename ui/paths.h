#pragma once
// Where the program finds its own files.
//
// Thread affinity: none.

#include <filesystem>

namespace px708 {

// The data folder share/px708 beside the executable's bin/ folder (the build tree has the same
// shape as an installation).
std::filesystem::path dataFolder();

} // namespace px708
