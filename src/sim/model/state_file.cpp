#include "sim/model/state_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/aside.h"
#include "platform/text.h"
#include "sim/model/posix_file.h"

namespace vantel::link::sim {
namespace {

namespace fs = std::filesystem;

std::string Reason(int err) { return std::strerror(err); }

bool Fail(std::string& why, std::string text) {
    why = std::move(text);
    return false;
}

// mkdir -p, 0700 for what it makes.
bool MakeFolder(const fs::path& dir, std::string& why) {
    fs::path prefix;
    for (const auto& part : dir) {
        prefix /= part;
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            return Fail(why, "cannot create " + prefix.string() + ": " + Reason(errno));
    }
    return true;
}

}  // namespace

std::string SimStateFolder::TempName(int attempt) {
    // The process id keeps two consoles on one folder apart; O_EXCL does the rest.
    return "filesystem.state." + std::to_string(::getpid()) + "-" + std::to_string(attempt) + ".tmp";
}

SimStateFolder::ReadResult SimStateFolder::Read(std::uint64_t limit, std::string& text, std::string& why) const {
    // O_NONBLOCK: a FIFO planted here must not hang the start.
    const Fd file(::open(File().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!file.Valid()) {
        if (errno == ENOENT) return ReadResult::Missing;
        why = Reason(errno);
        return ReadResult::Unusable;
    }
    struct stat st {};
    if (::fstat(file.Get(), &st) != 0) {
        why = Reason(errno);
        return ReadResult::Unusable;
    }
    if (!S_ISREG(st.st_mode)) {
        why = S_ISDIR(st.st_mode) ? "a folder, not a file" : "not a regular file";
        return ReadResult::Unusable;
    }
    const auto tooLarge = [&] {
        why = "larger than " + std::to_string(limit) + " bytes";
        return ReadResult::Unusable;
    };
    if (static_cast<std::uint64_t>(st.st_size) > limit) return tooLarge();

    if (const int err = ReadAll(file.Get(), static_cast<std::size_t>(st.st_size), static_cast<std::size_t>(limit), text)) {
        if (err == EFBIG) return tooLarge();
        why = Reason(err);
        return ReadResult::Unusable;
    }
    return ReadResult::Ok;
}

bool SimStateFolder::Write(std::string_view text, std::string& why) {
    constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    Fd dir(::open(m_dir.c_str(), kDirFlags));
    if (!dir.Valid() && errno == ENOENT) {
        if (!MakeFolder(m_dir, why)) return false;
        dir.Reset(::open(m_dir.c_str(), kDirFlags));
    }
    if (!dir.Valid()) return Fail(why, m_dir.string() + ": " + Reason(errno));

    // Never a name found in the folder: O_EXCL|O_NOFOLLOW refuses a link planted at it.
    std::string temp;
    Fd file;
    for (int attempt = 0; attempt < kTempNames && !file.Valid(); ++attempt) {
        temp = TempName(attempt);
        file.Reset(::openat(dir.Get(), temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!file.Valid() && errno != EEXIST) return Fail(why, temp + ": " + Reason(errno));
    }
    if (!file.Valid()) return Fail(why, "every temporary name is taken (" + TempName(0) + " ...)");

    int err = WriteAll(file.Get(), text.data(), text.size());
    if (!err && ::fsync(file.Get()) != 0) err = errno;
    if (const int closed = file.Close(); !err) err = closed;
    // A crash leaves the old state or the new one, never half of one.
    if (!err && ::renameat(dir.Get(), temp.c_str(), dir.Get(), "filesystem.state") != 0) err = errno;
    if (err) {
        ::unlinkat(dir.Get(), temp.c_str(), 0);
        return Fail(why, Reason(err));
    }
    if (::fsync(dir.Get()) != 0) return Fail(why, m_dir.string() + ": " + Reason(errno));
    return true;
}

fs::path SimStateFolder::MoveAside(std::string& why) {
    const std::string aside = vantel::MoveAside(File().string());
    if (aside.empty()) why = Reason(errno);
    return aside;
}

OutcomeOf<std::optional<std::string>> SimStateFolder::Read(std::uint64_t limit) const {
    std::string text, why;
    switch (Read(limit, text, why)) {
        case ReadResult::Missing: return std::optional<std::string>();
        case ReadResult::Ok: return std::optional<std::string>(std::move(text));
        case ReadResult::Unusable: break;
    }
    return Outcome::Refused(FromUtf8(why));
}

Outcome SimStateFolder::Write(std::string_view text) {
    std::string why;
    if (Write(text, why)) return {};
    return Outcome::Refused(FromUtf8(why));
}

OutcomeOf<fs::path> SimStateFolder::MoveAside() {
    std::string why;
    fs::path aside = MoveAside(why);
    if (aside.empty()) return Outcome::Refused(FromUtf8(why));
    return aside;
}

}  // namespace vantel::link::sim
