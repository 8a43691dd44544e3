// Waits in tests of threads and processes: bounded only so that a hang fails, never timed.
#pragma once
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace vantel::test {

inline constexpr auto kBound = std::chrono::seconds(20);

// Whether done() came true within kBound.
template <class Predicate>
bool Eventually(Predicate done) {
    const auto end = std::chrono::steady_clock::now() + kBound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// A file's text; empty when it cannot be read.
inline std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace vantel::test
