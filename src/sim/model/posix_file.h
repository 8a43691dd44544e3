// The file handling the host folder and the state folder share: a descriptor that closes
// itself, a write of everything, and a read to the end within a bound.
#pragma once
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <utility>

namespace vantel::link::sim {

class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    Fd(Fd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { Reset(); }

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    void Reset(int fd = -1) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = fd;
    }
    // 0, or the errno of a failed close (a full disk may only show there).
    int Close() {
        const int fd = std::exchange(m_fd, -1);
        return fd >= 0 && ::close(fd) != 0 ? errno : 0;
    }

private:
    int m_fd;
};

// 0, or the errno of the write that failed.
inline int WriteAll(int fd, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return EIO;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

// Reads fd to its end into out (a string or a byte vector). sizeHint, the size fstat gave,
// only sizes the first read: the file may change meanwhile. 0, EFBIG past limit bytes, or the
// errno of the read that failed.
template <class Bytes>
int ReadAll(int fd, std::size_t sizeHint, std::size_t limit, Bytes& out) {
    // One byte past the limit is room enough to tell that the file grew too large.
    const std::size_t cap = limit + 1;
    Bytes data(std::min(sizeHint + 1, cap), typename Bytes::value_type{});
    std::size_t have = 0;
    for (;;) {
        if (have == data.size()) {
            if (have >= cap) return EFBIG;
            data.resize(std::min(cap, have * 2));
        }
        const ssize_t n = ::read(fd, data.data() + have, data.size() - have);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) break;
        have += static_cast<std::size_t>(n);
    }
    data.resize(have);
    out = std::move(data);
    return 0;
}

}  // namespace vantel::link::sim
