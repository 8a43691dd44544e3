#include "platform/aside.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace vantel {

bool RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without RENAME_NOREPLACE.
    if (::access(to.c_str(), F_OK) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

std::string MoveAside(const std::string& path) {
    const std::string base = path + ".corrupt-" + std::to_string(static_cast<long long>(std::time(nullptr)));
    std::string target = base;
    for (int n = 1; !RenameNoReplace(path, target); ++n) {
        if (errno != EEXIST || n > 1000) return {};
        target = base + "-" + std::to_string(n);
    }
    return target;
}

}  // namespace vantel
