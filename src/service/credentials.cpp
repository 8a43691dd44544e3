#include "service/credentials.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace vantel::service {

namespace {

// Certificates and tokens are small; anything larger is not one.
constexpr off_t kMaxBytes = 1 << 20;

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& text, std::string& error) {
    const auto failed = [&](const std::string& why) {
        error = "cannot read " + path + ": " + why;
        return false;
    };
    // Not blocking: a FIFO put in the file's place must not hang the start.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return failed(std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st;
    if (::fstat(fd, &st) != 0) return failed(std::strerror(errno));
    if (!S_ISREG(st.st_mode)) return failed("not a regular file");
    if (st.st_size > kMaxBytes) return failed("larger than 1 MiB");
    std::string all(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t got = 0;
    while (got < all.size()) {
        const ssize_t n = ::read(fd, all.data() + got, all.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return failed(std::strerror(errno));
        if (n == 0) break;  // it shrank meanwhile
        got += static_cast<std::size_t>(n);
    }
    all.resize(got);
    text = std::move(all);
    return true;
}

bool ReadTokenFile(const std::string& path, std::string& token, std::string& error) {
    std::string text;
    if (!ReadWholeFile(path, text, error)) return false;
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    if (text.empty()) {
        error = path + " holds no token";
        return false;
    }
    token = std::move(text);
    return true;
}

}  // namespace vantel::service
