#include "sim/model/host_folder.h"

#include "platform/text.h"
#include "sim/config.h"
#include "sim/model/files.h"
#include "sim/model/posix_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

namespace vantel::link::sim {
namespace {

namespace fs = std::filesystem;

// O_PATH: a folder that may be searched but not listed can still be walked.
constexpr int kDirFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool Fail(std::string& why, std::string reason) {
    why = std::move(reason);
    return false;
}

std::string Reason(int err) {
    switch (err) {
    case ENOENT: return "no such file or folder";
    case ELOOP: return "symbolic links are not followed";
    case ENOTDIR: return "not a folder";
    case EISDIR: return "is a folder";
    case EEXIST: return "file exists";
    case EACCES:
    case EPERM: return "permission denied";
    case ENOSPC:
    case EDQUOT: return "disk full";
    case ENAMETOOLONG: return "name too long";
    case EROFS: return "read-only file system";
    default: {
        char buf[128];
        return strerror_r(err, buf, sizeof buf);
    }
    }
}

// A folder opened with O_NOFOLLOW fails on a link with ELOOP or ENOTDIR; tell the link apart.
int LinkAware(int dir, const std::string& name, int err) {
    struct stat st {};
    if ((err == ELOOP || err == ENOTDIR) && ::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(st.st_mode))
        return ELOOP;
    return err;
}

struct HostPath {
    std::vector<std::string> folders;  // below the root, outermost first
    std::string name;
};

bool IsSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

bool Parse(std::wstring_view rel, HostPath& path, std::string& why) {
    if (rel.empty()) return Fail(why, "empty path");
    if (rel.size() > kHostMaxPath) return Fail(why, "path too long");
    const bool letter = (rel[0] >= L'A' && rel[0] <= L'Z') || (rel[0] >= L'a' && rel[0] <= L'z');
    if (IsSeparator(rel[0]) || (rel.size() >= 2 && letter && rel[1] == L':')) return Fail(why, "absolute path");

    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < rel.size(); ++i) {
        const wchar_t w = rel[i];
        if (w == L'\0') return Fail(why, "NUL in path");
        if (IsSeparator(w)) {
            parts.emplace_back();
            continue;
        }
        auto c = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(w));
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < rel.size() && rel[i + 1] >= 0xDC00 && rel[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(rel[++i]) - 0xDC00);
        } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            return Fail(why, "invalid character in path");
        }
        AppendUtf8(parts.back(), c);
    }
    if (std::find(parts.begin(), parts.end(), "..") != parts.end()) return Fail(why, "'..' is not allowed");
    if (parts.back().empty() || parts.back() == ".") return Fail(why, "not a file name");

    path.name = std::move(parts.back());
    parts.pop_back();
    path.folders.clear();
    for (auto& part : parts)
        if (!part.empty() && part != ".") path.folders.push_back(std::move(part));
    return true;
}

// The root is configuration, not typed input, so a link in its own path is followed.
bool OpenRoot(const fs::path& root, bool create, Fd& fd, std::string& why) {
    if (root.empty()) return Fail(why, "no host folder");
    fd = Fd(::open(root.c_str(), kDirFlags & ~O_NOFOLLOW));
    if (!fd.Valid() && errno == ENOENT && create) {
        fs::path prefix;
        for (const auto& part : root) {
            prefix /= part;
            if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
                return Fail(why, "cannot create the host folder: " + Reason(errno));
        }
        fd = Fd(::open(root.c_str(), kDirFlags & ~O_NOFOLLOW));
    }
    if (!fd.Valid()) return Fail(why, "host folder: " + Reason(errno));
    return true;
}

// Opens the folder that holds the file, one name at a time, each relative to the last and
// none through a link.
bool Walk(const fs::path& root, const HostPath& path, bool create, Fd& dir, std::string& why) {
    if (!OpenRoot(root, create, dir, why)) return false;
    for (const auto& name : path.folders) {
        int fd = ::openat(dir.Get(), name.c_str(), kDirFlags);
        if (fd < 0 && errno == ENOENT && create) {
            if (::mkdirat(dir.Get(), name.c_str(), 0700) != 0 && errno != EEXIST) return Fail(why, Reason(errno));
            fd = ::openat(dir.Get(), name.c_str(), kDirFlags);
        }
        if (fd < 0) return Fail(why, Reason(LinkAware(dir.Get(), name, errno)));
        dir = Fd(fd);
    }
    return true;
}

// O_NONBLOCK keeps a FIFO from hanging the open; the caller refuses anything but a plain file.
Fd OpenFile(int dir, const std::string& name, int flags) {
    return Fd(::openat(dir, name.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
}

bool CheckRegular(const Fd& file, struct stat& st, std::string& why) {
    if (::fstat(file.Get(), &st) != 0) return Fail(why, Reason(errno));
    if (S_ISDIR(st.st_mode)) return Fail(why, Reason(EISDIR));
    if (!S_ISREG(st.st_mode)) return Fail(why, "not a regular file");
    return true;
}

int MakeTemp(int dir, std::string& name, Fd& file) {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Not derived from the target's name, which may already be as long as a name can be.
        name = ".vantel-" + std::to_string(::getpid()) + "-" + std::to_string(stamp) + "-" +
               std::to_string(counter++) + ".tmp";
        file = Fd(::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (file.Valid()) return 0;
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

// Without overwrite the name is claimed atomically, so a file that appeared since the check is kept.
int Publish(int dir, const std::string& temp, const std::string& name, bool overwrite) {
    if (overwrite) return ::renameat(dir, temp.c_str(), dir, name.c_str()) == 0 ? 0 : errno;
    if (::renameat2(dir, temp.c_str(), dir, name.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system without RENAME_NOREPLACE: a hard link refuses an existing name the same way.
    if (::linkat(dir, temp.c_str(), dir, name.c_str(), 0) != 0) return errno;
    ::unlinkat(dir, temp.c_str(), 0);
    return 0;
}

}  // namespace

fs::path SimHostFolder::DefaultRoot() { return DefaultHostDir(); }

namespace {

bool ReadFile(const fs::path& root, std::wstring_view rel, std::vector<std::uint8_t>& out, std::string& why) {
    HostPath path;
    Fd dir;
    if (!Parse(rel, path, why) || !Walk(root, path, false, dir, why)) return false;
    const Fd file = OpenFile(dir.Get(), path.name, O_RDONLY);
    if (!file.Valid()) return Fail(why, Reason(errno));
    struct stat st {};
    if (!CheckRegular(file, st, why)) return false;
    if (static_cast<std::uint64_t>(st.st_size) > kHostMaxRead) return Fail(why, "file too large");

    if (const int err = ReadAll(file.Get(), static_cast<std::size_t>(st.st_size), kHostMaxRead, out))
        return Fail(why, err == EFBIG ? "file too large" : Reason(err));
    return true;
}

bool WriteFile(const fs::path& root, std::wstring_view rel, std::span<const std::uint8_t> bytes, bool overwrite,
               std::string& why) {
    HostPath path;
    Fd dir;
    if (!Parse(rel, path, why) || !Walk(root, path, true, dir, why)) return false;

    // Refuse early what the rename would replace wrongly; a link is never written through,
    // the rename would only replace the link itself.
    struct stat st {};
    if (::fstatat(dir.Get(), path.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISLNK(st.st_mode)) return Fail(why, Reason(ELOOP));
        if (S_ISDIR(st.st_mode)) return Fail(why, Reason(EISDIR));
        if (!S_ISREG(st.st_mode)) return Fail(why, "not a regular file");
        if (!overwrite) return Fail(why, Reason(EEXIST));
    } else if (errno != ENOENT) {
        return Fail(why, Reason(errno));
    }

    std::string temp;
    Fd file;
    if (const int err = MakeTemp(dir.Get(), temp, file)) return Fail(why, Reason(err));
    int err = WriteAll(file.Get(), bytes.data(), bytes.size());
    if (!err && ::fsync(file.Get()) != 0) err = errno;
    if (const int closed = file.Close(); !err) err = closed;
    if (!err) err = Publish(dir.Get(), temp, path.name, overwrite);
    if (err) {
        ::unlinkat(dir.Get(), temp.c_str(), 0);
        return Fail(why, Reason(err));
    }
    return true;
}

bool AppendFile(const fs::path& root, std::wstring_view rel, std::span<const std::uint8_t> bytes, std::string& why) {
    HostPath path;
    Fd dir;
    if (!Parse(rel, path, why) || !Walk(root, path, true, dir, why)) return false;
    Fd file = OpenFile(dir.Get(), path.name, O_WRONLY | O_APPEND | O_CREAT);
    // ENXIO: a FIFO nobody reads.
    if (!file.Valid()) return Fail(why, errno == ENXIO ? "not a regular file" : Reason(errno));
    struct stat st {};
    if (!CheckRegular(file, st, why)) return false;
    int err = WriteAll(file.Get(), bytes.data(), bytes.size());
    if (const int closed = file.Close(); !err) err = closed;
    if (err) return Fail(why, Reason(err));
    return true;
}

// The reasons above are short English texts, from the C library's messages among them.
Outcome Said(bool done, const std::string& why) { return done ? Outcome() : Outcome::Refused(TextFromBytes(why)); }

}  // namespace

Outcome SimHostFolder::Read(std::wstring_view rel, std::vector<std::uint8_t>& out) const {
    std::string why;
    const bool done = ReadFile(m_root, rel, out, why);
    return Said(done, why);
}

Outcome SimHostFolder::Write(std::wstring_view rel, std::span<const std::uint8_t> bytes, bool overwrite) {
    std::string why;
    const bool done = WriteFile(m_root, rel, bytes, overwrite, why);
    return Said(done, why);
}

Outcome SimHostFolder::Append(std::wstring_view rel, std::span<const std::uint8_t> bytes) {
    std::string why;
    const bool done = AppendFile(m_root, rel, bytes, why);
    return Said(done, why);
}

}  // namespace vantel::link::sim
