// The host folder of the simulated controller: files it loads from and saves to the host.
// The paths are typed by a user, so every access is confined to the folder by walking it
// with directory descriptors, never by comparing path strings (those race with renames).
// Symbolic links below the root are refused, even ones that stay inside: a walk that never
// follows a link cannot be led out, and a folder filled by hand does not need them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim/outcome.h"

namespace vantel::link::sim {

inline constexpr std::size_t kHostMaxPath = 1024;           // characters, as typed
inline constexpr std::uint64_t kHostMaxRead = 64ull << 20;  // bytes; a larger file is refused

class SimHostFolder {
public:
    // The configured folder (DefaultHostDir in sim/config.h).
    static std::filesystem::path DefaultRoot();

    explicit SimHostFolder(std::filesystem::path root) : m_root(std::move(root)) {}
    const std::filesystem::path& Root() const { return m_root; }

    // rel: relative to the root, '/' or '\\' between names, UTF-16 (surrogate pairs) or UTF-32.
    // Each call is refused with a short English reason when the path is refused or the
    // operation fails; out is left alone then. Nothing outside the root is touched.
    Outcome Read(std::wstring_view rel, std::vector<std::uint8_t>& out) const;

    // The whole file goes to a temporary file next to it and is renamed into place, so a
    // reader never sees half of it. The root and missing folders below it are created (0700),
    // files are 0600. Without overwrite an existing file is kept and the call fails.
    Outcome Write(std::wstring_view rel, std::span<const std::uint8_t> bytes, bool overwrite);

    // Creates the file (and folders) when missing.
    Outcome Append(std::wstring_view rel, std::span<const std::uint8_t> bytes);

private:
    std::filesystem::path m_root;
};

}  // namespace vantel::link::sim
