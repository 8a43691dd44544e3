// The folder that keeps the simulated controller's file system between runs
// (VANTEL_SIM_STATE_DIR), holding one file, filesystem.state.
//
// The folder is configuration, so links in its path are followed, and so is a link at the
// state file itself (a dotfiles folder may keep the file elsewhere); what is read must be a
// regular file within a size bound, opened without blocking. A write never goes through a
// link: the text goes to a new file, created exclusively (0600) under a name of its own,
// synced, and renamed over the state; then the folder is synced. A missing folder is created
// 0700; an existing one is left as it is.
#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "sim/outcome.h"

namespace vantel::link::sim {

class SimStateFolder {
public:
    // Names a save tries for its temporary file, in this order, before it gives up.
    static constexpr int kTempNames = 32;
    static std::string TempName(int attempt);

    explicit SimStateFolder(std::filesystem::path dir) : m_dir(std::move(dir)) {}
    std::filesystem::path File() const { return m_dir / "filesystem.state"; }

    // The saved text; nothing when there is no state file yet (nor perhaps the folder).
    // Refused when something is there but cannot be read, is no regular file or holds more
    // than limit bytes.
    OutcomeOf<std::optional<std::string>> Read(std::uint64_t limit) const;

    // When refused, the state file is as it was.
    Outcome Write(std::string_view text);

    // Moves what is at File() aside (see platform/aside.h): its new name.
    OutcomeOf<std::filesystem::path> MoveAside();

private:
    enum class ReadResult { Missing, Ok, Unusable };
    ReadResult Read(std::uint64_t limit, std::string& text, std::string& why) const;
    bool Write(std::string_view text, std::string& why);
    std::filesystem::path MoveAside(std::string& why);

    std::filesystem::path m_dir;
};

}  // namespace vantel::link::sim
