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
#include <string>
#include <string_view>

namespace vantel::link::sim {

class SimStateFolder {
public:
    // Names a save tries for its temporary file, in this order, before it gives up.
    static constexpr int kTempNames = 32;
    static std::string TempName(int attempt);

    explicit SimStateFolder(std::filesystem::path dir) : m_dir(std::move(dir)) {}
    std::filesystem::path File() const { return m_dir / "filesystem.state"; }

    enum class ReadResult { Missing, Ok, Unusable };
    // Missing: no state file yet (nor perhaps the folder). Unusable: something is there but
    // cannot be read, is no regular file or holds more than limit bytes; why says which.
    ReadResult Read(std::uint64_t limit, std::string& text, std::string& why) const;

    // False with a reason in why; the state file is then as it was.
    bool Write(std::string_view text, std::string& why);

    // Moves what is at File() aside (see platform/aside.h): its new name, or empty with a
    // reason in why.
    std::filesystem::path MoveAside(std::string& why);

private:
    std::filesystem::path m_dir;
};

}  // namespace vantel::link::sim
