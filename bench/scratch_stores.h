// The benchmarks' consoles read and write histories: a scratch pair of registry stores for the
// life of the process keeps them away from the user's own.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

class ScratchStores {
public:
    ScratchStores()
        : m_dir(std::filesystem::temp_directory_path() / ("vantel-bench-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(m_dir);
        setenv("VANTEL_REGISTRY", (m_dir / "user.db").c_str(), 1);
        setenv("VANTEL_MACHINE_REGISTRY", (m_dir / "machine.db").c_str(), 1);
    }
    ~ScratchStores() {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    ScratchStores(const ScratchStores&) = delete;
    ScratchStores& operator=(const ScratchStores&) = delete;

private:
    std::filesystem::path m_dir;
};
