// The journal as a JSON Lines file, one line per entry. A thread of its own turns entries
// into lines and writes them, whole lines only, so that the console's thread never waits for
// the disk and a crash leaves no torn line in the middle of the file.
#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "jobs/journal.h"

namespace vantel {

struct JournalFolderLimits {
    std::uint64_t maxFileBytes = 100ull << 20;  // a file past this continues in a new one
    std::size_t keepFiles = 50;                 // older files past either bound are removed,
    std::uint64_t keepBytes = 1ull << 30;       // never one that a running console still writes
};

// $XDG_STATE_HOME/vantel/journal, else ~/.local/state/vantel/journal.
std::string DefaultJournalFolder();
// False when VANTEL_JOURNAL is "off".
bool JournalFileWanted();

class JournalFile {
public:
    JournalFile() = default;
    ~JournalFile();
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;

    // Exactly this file, emptied first (vantel-batch --journal).
    bool OpenFile(const std::string& path, std::string& error);
    // A new file for this session in folder (made 0700 with its parents): named by the start
    // time and the process id, 0600, held locked while it is written. Prunes the folder.
    bool OpenSession(const std::string& folder, const JournalFolderLimits& limits, std::string& error);

    // Queues the entry's line. After a failure nothing more is written and this returns
    // false; Error() says why. Past kMaxQueued waiting entries it waits for the writer.
    bool Write(const JournalEntry& entry);
    // Returns when every entry queued so far is written (or writing failed).
    void Flush();

    bool IsOpen() const { return m_thread.joinable(); }
    bool Failed() const { return m_failed.load(); }
    std::string Error() const;
    // The file being written now.
    std::string Path() const;
    // How many files this session has written so far (a long session continues in new ones).
    int Parts() const;

    static constexpr std::size_t kMaxQueued = 100'000;
    // An entry reaches the file at most this long after it was queued (a crash loses no more).
    static constexpr std::chrono::milliseconds kGather{5};
    static constexpr std::size_t kBatch = 4096;

private:
    bool OpenPart(std::string& error);
    void Prune();
    void Close();
    void Start();
    void Run();
    // Writes whole lines; false (with m_error set) on failure.
    bool WriteAll(const std::string& text);
    void Fail(const std::string& error);

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;     // the writer: entries queued, or stop
    std::condition_variable m_progress; // the console: room in the queue, or all written
    std::deque<JournalEntry> m_queue;
    bool m_busy = false;  // the writer holds entries it has not written yet
    bool m_stop = false;
    std::atomic<bool> m_failed{false};
    std::thread m_thread;

    // The writer's own, once it runs (guarded by m_mutex where others read them).
    int m_fd = -1;
    std::string m_path;
    std::string m_folder;
    std::string m_stem;  // the session's name without part number and extension
    int m_part = 0;
    std::uint64_t m_written = 0;
    JournalFolderLimits m_limits;
    bool m_session = false;
    std::string m_error;
};

}  // namespace vantel
