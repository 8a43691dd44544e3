// The journal as a JSON Lines file: one line per entry, each written with one write(), so a
// crash loses at most the line being written.
#pragma once
#include <cstdint>
#include <string>

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

    // Appends the entry's line. After a failure nothing more is written and this returns
    // false; Error() says why.
    bool Write(const JournalEntry& entry);

    bool IsOpen() const { return m_fd >= 0; }
    bool Failed() const { return !m_error.empty(); }
    const std::string& Error() const { return m_error; }
    // The file being written now.
    const std::string& Path() const { return m_path; }
    // How many files this session has written so far (a long session continues in new ones).
    int Parts() const { return m_part; }

private:
    bool OpenPart(std::string& error);
    void Prune();
    void Close();

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
