#include "jobs/journal_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>

#include "jobs/journal_format.h"

namespace vantel {
namespace fs = std::filesystem;

namespace {

std::string Reason(const std::string& what, int err) { return what + ": " + std::strerror(err); }

// mkdir -p with mode 0700 for the folders it makes.
bool MakeFolder(const std::string& folder, std::string& error) {
    std::error_code ec;
    const fs::path path(folder);
    fs::path built;
    for (const auto& part : path) {
        built /= part;
        if (::mkdir(built.c_str(), 0700) != 0 && errno != EEXIST) {
            error = Reason("cannot create " + built.string(), errno);
            return false;
        }
    }
    if (!fs::is_directory(path, ec)) {
        error = "not a folder: " + folder;
        return false;
    }
    return true;
}

}  // namespace

std::string DefaultJournalFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') return std::string(state) + "/vantel/journal";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.local/state/vantel/journal";
}

bool JournalFileWanted() {
    const char* setting = std::getenv("VANTEL_JOURNAL");
    return setting == nullptr || std::strcmp(setting, "off") != 0;
}

JournalFile::~JournalFile() {
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }
    Close();
}

void JournalFile::Close() {
    if (m_fd >= 0) ::close(m_fd);  // closing releases the lock
    m_fd = -1;
}

void JournalFile::Start() { m_thread = std::thread([this] { Run(); }); }

std::string JournalFile::Error() const {
    std::lock_guard lock(m_mutex);
    return m_error;
}

std::string JournalFile::Path() const {
    std::lock_guard lock(m_mutex);
    return m_path;
}

int JournalFile::Parts() const {
    std::lock_guard lock(m_mutex);
    return m_part;
}

void JournalFile::Fail(const std::string& error) {
    std::lock_guard lock(m_mutex);
    m_error = error;
    m_failed = true;
    m_queue.clear();
    m_progress.notify_all();
}

bool JournalFile::Write(const JournalEntry& entry) {
    if (!m_thread.joinable() || m_failed) return false;
    {
        std::unique_lock lock(m_mutex);
        m_progress.wait(lock, [this] { return m_queue.size() < kMaxQueued || m_failed; });
        if (m_failed) return false;
        m_queue.push_back(entry);
        if (m_queue.size() > 1) return true;  // the writer has been woken already
    }
    m_wake.notify_one();
    return true;
}

void JournalFile::Flush() {
    if (!m_thread.joinable()) return;
    std::unique_lock lock(m_mutex);
    m_progress.wait(lock, [this] { return (m_queue.empty() && !m_busy) || m_failed; });
}

// Takes whatever is queued, turns it into lines and writes them; a file that reaches its cap
// continues in the next part between two lines.
void JournalFile::Run() {
    std::deque<JournalEntry> batch;
    std::string text;
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_busy = false;
            m_progress.notify_all();
            m_wake.wait(lock, [this] { return !m_queue.empty() || m_stop; });
            // A moment to gather more: a burst becomes one write instead of one wake-up and one
            // write per entry, which cost the console's own thread half its rate.
            m_wake.wait_for(lock, kGather, [this] { return m_stop || m_queue.size() >= kBatch; });
            if (m_queue.empty()) return;
            batch.swap(m_queue);
            m_busy = true;
            m_progress.notify_all();
        }
        text.clear();
        for (const JournalEntry& entry : batch) {
            const std::size_t before = text.size();
            AppendJsonLine(text, entry);
            text += '\n';
            if (m_session && m_written + before > 0 && m_written + text.size() > m_limits.maxFileBytes) {
                const std::string line = text.substr(before);
                text.resize(before);
                if (!WriteAll(text)) break;
                text = line;
                std::string error;
                std::unique_lock lock(m_mutex);
                const bool opened = OpenPart(error);
                lock.unlock();
                if (!opened) {
                    Fail(error);
                    break;
                }
                Prune();
            }
        }
        batch.clear();
        if (!m_failed) WriteAll(text);
    }
}

bool JournalFile::WriteAll(const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(m_fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(Reason("cannot write " + Path(), errno));
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    m_written += text.size();
    return true;
}

bool JournalFile::OpenFile(const std::string& path, std::string& error) {
    Close();
    m_session = false;
    m_path = path;
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        error = Reason("cannot write " + path, errno);
        return false;
    }
    m_part = 1;
    m_written = 0;
    Start();
    return true;
}

bool JournalFile::OpenSession(const std::string& folder, const JournalFolderLimits& limits, std::string& error) {
    Close();
    if (!MakeFolder(folder, error)) return false;
    m_session = true;
    m_folder = folder;
    m_limits = limits;
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H-%M-%S", &tm);
    m_stem = fmt::format("{}-{}", stamp, ::getpid());
    m_part = 0;
    if (!OpenPart(error)) return false;
    Prune();
    Start();
    return true;
}

bool JournalFile::OpenPart(std::string& error) {
    Close();
    ++m_part;
    // O_EXCL: a name is never shared, not even by a console whose pid was reused.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = m_stem;
        if (m_part > 1) name += fmt::format(".{}", m_part);
        if (attempt > 0) name += fmt::format("~{}", attempt);
        m_path = m_folder + "/" + name + ".jsonl";
        m_fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
        if (m_fd >= 0 || errno != EEXIST) break;
    }
    if (m_fd < 0) {
        error = Reason("cannot create " + m_path, errno);
        return false;
    }
    // Held while we write, so that another console's pruning leaves the file alone.
    ::flock(m_fd, LOCK_EX | LOCK_NB);
    m_written = 0;
    return true;
}

// Oldest first, by modification time; files in use by a running console are skipped.
void JournalFile::Prune() {
    struct Found {
        fs::path path;
        fs::file_time_type time;
        std::uint64_t size;
    };
    std::vector<Found> files;
    std::error_code ec;
    for (const auto& item : fs::directory_iterator(m_folder, ec)) {
        if (!item.is_regular_file(ec) || item.path().extension() != ".jsonl") continue;
        files.push_back({item.path(), item.last_write_time(ec), static_cast<std::uint64_t>(item.file_size(ec))});
    }
    std::sort(files.begin(), files.end(), [](const Found& a, const Found& b) { return a.time < b.time; });
    std::uint64_t total = 0;
    for (const Found& f : files) total += f.size;
    std::size_t count = files.size();
    for (const Found& f : files) {
        if (count <= m_limits.keepFiles && total <= m_limits.keepBytes) break;
        if (f.path == fs::path(m_path)) continue;
        const int fd = ::open(f.path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        const bool inUse = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
        if (!inUse && ::unlink(f.path.c_str()) == 0) {
            --count;
            total -= f.size;
        }
        ::close(fd);
    }
}

}  // namespace vantel
