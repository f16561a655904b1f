#pragma once
// The version record stored in the program's own executable: an ELF note (section
// ".note.px708.version", owner "PX708") whose description holds NUL-separated "key=value"
// strings. "Translation" lists the record's language and code page entries (eight hexadecimal
// digits each, the first one first); each string of the record is stored under its entry, as
// "080904E4/ProductVersion=1.5.9".
//
// Every program that links this file carries the record; stripping the section from a copy
// (objcopy --remove-section) leaves a program without one.
//
// Thread affinity: none.

#include <filesystem>
#include <optional>
#include <string>

namespace px708 {

// The ProductVersion string of the record in the executable at path, looked up under the
// first entry of its translation table; nothing when the file carries no record, is no ELF
// file of this machine's kind, or cannot be read.
std::optional<std::string> productVersion(const std::filesystem::path& executable);

// The running program's own file.
inline const std::filesystem::path kOwnExecutable{"/proc/self/exe"};

} // namespace px708
