#include "ui/versionrecord.h"

#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <unistd.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <map>
#include <string_view>
#include <vector>

#ifndef PX708_VERSION
#error "PX708_VERSION must name the product version"
#endif

namespace px708 {

namespace {

constexpr char kSectionName[] = ".note.px708.version";
constexpr char kOwner[] = "PX708";
constexpr std::uint32_t kNoteType = 1; // NT_VERSION
// The record is read from files of this machine's own kind only.
constexpr unsigned char kNativeClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
constexpr unsigned char kNativeData =
    std::endian::native == std::endian::little ? ELFDATA2LSB : ELFDATA2MSB;

// Adjacent literals: "\0" must not run into the digits that follow it.
constexpr char kRecord[] = "Translation=080904E4\0"
                           "080904E4/ProductVersion=" PX708_VERSION "\0"
                           "080904E4/FileVersion=" PX708_VERSION ".0\0"
                           "080904E4/ProductName=Zelmar PX-708 Reader Utility";

constexpr std::size_t alignedTo4(std::size_t n) {
    return (n + 3) & ~std::size_t{3};
}

struct VersionNote {
    std::uint32_t nameSize;
    std::uint32_t descSize;
    std::uint32_t type;
    char name[alignedTo4(sizeof(kOwner))];
    char desc[alignedTo4(sizeof(kRecord))];
};

template <std::size_t N> constexpr void copyInto(char (&to)[N], const char* from, std::size_t n) {
    for (std::size_t i = 0; i < n && i < N; ++i)
        to[i] = from[i];
}

constexpr VersionNote makeNote() {
    VersionNote note{sizeof(kOwner), sizeof(kRecord), kNoteType, {}, {}};
    copyInto(note.name, kOwner, sizeof(kOwner));
    copyInto(note.desc, kRecord, sizeof(kRecord));
    return note;
}

// The record itself: the linker keeps the section, which the compiler marks as a note.
[[gnu::section(".note.px708.version"), gnu::used, gnu::aligned(4)]] const VersionNote kVersionNote =
    makeNote();

class File {
public:
    explicit File(const std::filesystem::path& path)
        : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool isOpen() const { return fd_ >= 0; }
    bool readAt(void* to, std::size_t size, std::uint64_t offset) const {
        auto* out = static_cast<char*>(to);
        while (size > 0) {
            const ssize_t n = ::pread(fd_, out, size, static_cast<off_t>(offset));
            if (n <= 0)
                return false;
            out += n;
            size -= static_cast<std::size_t>(n);
            offset += static_cast<std::uint64_t>(n);
        }
        return true;
    }

private:
    int fd_;
};

std::optional<std::vector<char>> noteSection(const File& file) {
    ElfW(Ehdr) header;
    if (!file.readAt(&header, sizeof header, 0) ||
        std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != kNativeClass || header.e_ident[EI_DATA] != kNativeData ||
        header.e_shentsize != sizeof(ElfW(Shdr)) || header.e_shnum == 0 ||
        header.e_shstrndx >= header.e_shnum)
        return std::nullopt;
    std::vector<ElfW(Shdr)> sections(header.e_shnum);
    if (!file.readAt(sections.data(), sections.size() * sizeof(ElfW(Shdr)), header.e_shoff))
        return std::nullopt;
    const ElfW(Shdr)& names = sections[header.e_shstrndx];
    std::vector<char> nameTable(names.sh_size + 1, '\0');
    if (!file.readAt(nameTable.data(), names.sh_size, names.sh_offset))
        return std::nullopt;
    for (const ElfW(Shdr) & s : sections) {
        if (s.sh_type != SHT_NOTE || s.sh_name >= names.sh_size ||
            std::strcmp(nameTable.data() + s.sh_name, kSectionName) != 0)
            continue;
        // A record is a few hundred bytes; anything far larger is no record of ours.
        if (s.sh_size > 65536)
            return std::nullopt;
        std::vector<char> content(s.sh_size);
        if (!file.readAt(content.data(), content.size(), s.sh_offset))
            return std::nullopt;
        return content;
    }
    return std::nullopt;
}

// The "key=value" strings of the first note of our owner in the section.
std::map<std::string, std::string> recordStrings(const std::vector<char>& section) {
    std::map<std::string, std::string> strings;
    std::size_t at = 0;
    while (at + 12 <= section.size()) {
        std::uint32_t nameSize, descSize, type;
        std::memcpy(&nameSize, &section[at], 4);
        std::memcpy(&descSize, &section[at + 4], 4);
        std::memcpy(&type, &section[at + 8], 4);
        const std::size_t nameAt = at + 12;
        const std::size_t descAt = nameAt + alignedTo4(nameSize);
        if (descAt > section.size() || descSize > section.size() - descAt)
            break;
        const std::string_view name(&section[nameAt], nameSize);
        if (type == kNoteType && name == std::string_view(kOwner, sizeof(kOwner))) {
            const std::string_view desc(&section[descAt], descSize);
            std::size_t from = 0;
            while (from < desc.size()) {
                std::size_t end = desc.find('\0', from);
                if (end == std::string_view::npos)
                    end = desc.size();
                const std::string_view entry = desc.substr(from, end - from);
                const std::size_t eq = entry.find('=');
                if (eq != std::string_view::npos)
                    strings.emplace(entry.substr(0, eq), entry.substr(eq + 1));
                from = end + 1;
            }
            return strings;
        }
        at = descAt + alignedTo4(descSize);
    }
    return strings;
}

} // namespace

std::optional<std::string> productVersion(const std::filesystem::path& executable) {
    const File file(executable);
    if (!file.isOpen())
        return std::nullopt;
    const std::optional<std::vector<char>> section = noteSection(file);
    if (!section)
        return std::nullopt;
    const std::map<std::string, std::string> strings = recordStrings(*section);
    const auto translation = strings.find("Translation");
    if (translation == strings.end() || translation->second.size() < 8)
        return std::nullopt;
    const std::string firstEntry = translation->second.substr(0, 8);
    const auto version = strings.find(firstEntry + "/ProductVersion");
    if (version == strings.end())
        return std::nullopt;
    return version->second;
}

} // namespace px708
