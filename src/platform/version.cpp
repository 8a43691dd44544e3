#include "platform/version.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include <fmt/xchar.h>

#include "platform/text.h"

namespace {

constexpr char kSectionName[] = ".vantel_version";
// Anything larger is not a version block but a damaged header.
constexpr std::uint64_t kMaxBlockBytes = 1u << 20;

// GetFileVersionInfoW puts this in front of the section bytes, so VerQueryValueW knows
// where the block ends without trusting its contents.
struct BlockHeader {
    std::uint32_t magic;
    std::uint32_t bytes;
};
constexpr std::uint32_t kBlockMagic = 0x56564231;  // "VVB1"
static_assert(sizeof(BlockHeader) % alignof(wchar_t) == 0);

class File {
public:
    explicit File(const wchar_t* path) {
        if (path == nullptr || *path == L'\0') return;
        m_fd = ::open(vantel::ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st {};
        if (m_fd >= 0 && ::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode))
            m_size = static_cast<std::uint64_t>(st.st_size);
    }
    ~File() {
        if (m_fd >= 0) ::close(m_fd);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool Ok() const { return m_fd >= 0 && m_size > 0; }

    // Reads exactly len bytes at off, or fails if any of them lies past the end.
    bool Read(std::uint64_t off, void* out, std::uint64_t len) const {
        if (off > m_size || len > m_size - off) return false;
        auto* p = static_cast<char*>(out);
        while (len > 0) {
            const ssize_t n = ::pread(m_fd, p, len, static_cast<off_t>(off));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            p += n;
            off += static_cast<std::uint64_t>(n);
            len -= static_cast<std::uint64_t>(n);
        }
        return true;
    }

private:
    int m_fd = -1;
    std::uint64_t m_size = 0;
};

struct Section {
    std::uint64_t offset;
    std::uint64_t size;
};

std::optional<Section> FindVersionSection(const File& file) {
    if (!file.Ok()) return std::nullopt;
    Elf64_Ehdr eh{};
    if (!file.Read(0, &eh, sizeof eh)) return std::nullopt;
    if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0 || eh.e_ident[EI_CLASS] != ELFCLASS64) return std::nullopt;
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    if (eh.e_ident[EI_DATA] != ELFDATA2LSB) return std::nullopt;
#else
    if (eh.e_ident[EI_DATA] != ELFDATA2MSB) return std::nullopt;
#endif
    if (eh.e_shoff == 0 || eh.e_shentsize != sizeof(Elf64_Shdr)) return std::nullopt;

    auto readHeader = [&](std::uint64_t index, Elf64_Shdr& sh) {
        return file.Read(eh.e_shoff + index * sizeof(Elf64_Shdr), &sh, sizeof sh);
    };
    if (eh.e_shoff > UINT64_MAX / 2) return std::nullopt;

    // Very large section counts and string-table indices live in section header 0.
    std::uint64_t count = eh.e_shnum;
    std::uint64_t strIndex = eh.e_shstrndx;
    if (count == 0 || strIndex == SHN_XINDEX) {
        Elf64_Shdr first{};
        if (!readHeader(0, first)) return std::nullopt;
        if (count == 0) count = first.sh_size;
        if (strIndex == SHN_XINDEX) strIndex = first.sh_link;
    }
    // Every header must lie in the file; this also bounds count.
    if (count == 0 || count > UINT64_MAX / sizeof(Elf64_Shdr) / 2) return std::nullopt;
    Elf64_Shdr last{};
    if (!readHeader(count - 1, last)) return std::nullopt;
    if (strIndex == SHN_UNDEF || strIndex >= count) return std::nullopt;

    Elf64_Shdr strHdr{};
    if (!readHeader(strIndex, strHdr) || strHdr.sh_type == SHT_NOBITS) return std::nullopt;
    if (strHdr.sh_size == 0 || strHdr.sh_size > (64u << 20)) return std::nullopt;
    std::vector<char> names(strHdr.sh_size);
    if (!file.Read(strHdr.sh_offset, names.data(), names.size())) return std::nullopt;

    for (std::uint64_t i = 1; i < count; ++i) {
        Elf64_Shdr sh{};
        if (!readHeader(i, sh)) return std::nullopt;
        if (sh.sh_name >= names.size() || names.size() - sh.sh_name < sizeof kSectionName) continue;
        if (std::memcmp(&names[sh.sh_name], kSectionName, sizeof kSectionName) != 0) continue;
        if (sh.sh_type == SHT_NOBITS || sh.sh_size == 0 || sh.sh_size > kMaxBlockBytes) return std::nullopt;
        // Make sure the bytes are really there before promising them.
        char probe;
        if (sh.sh_offset > UINT64_MAX - sh.sh_size || !file.Read(sh.sh_offset + sh.sh_size - 1, &probe, 1))
            return std::nullopt;
        return Section{sh.sh_offset, sh.sh_size};
    }
    return std::nullopt;
}

bool EqualsIgnoreAsciiCase(const wchar_t* a, std::size_t aLen, const wchar_t* b) {
    auto fold = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; };
    for (std::size_t i = 0; i < aLen; ++i, ++b) {
        if (*b == L'\0' || fold(a[i]) != fold(*b)) return false;
    }
    return *b == L'\0';
}

}  // namespace

DWORD GetFileVersionInfoSizeW(const wchar_t* path, DWORD* handle) {
    if (handle != nullptr) *handle = 0;
    const File file(path);
    const auto section = FindVersionSection(file);
    if (!section) return 0;
    return static_cast<DWORD>(sizeof(BlockHeader) + section->size);
}

BOOL GetFileVersionInfoW(const wchar_t* path, DWORD /*handle*/, DWORD len, void* data) {
    if (data == nullptr || len <= sizeof(BlockHeader)) return 0;
    const File file(path);
    const auto section = FindVersionSection(file);
    if (!section) return 0;
    std::uint64_t bytes = section->size;
    if (bytes > len - sizeof(BlockHeader)) bytes = len - sizeof(BlockHeader);
    bytes -= bytes % sizeof(wchar_t);
    auto* out = static_cast<char*>(data);
    if (!file.Read(section->offset, out + sizeof(BlockHeader), bytes)) return 0;
    const BlockHeader header{kBlockMagic, static_cast<std::uint32_t>(bytes)};
    std::memcpy(out, &header, sizeof header);
    return 1;
}

BOOL VerQueryValueW(const void* block, const wchar_t* subBlock, void** out, UINT* outLen) {
    if (block == nullptr || subBlock == nullptr || out == nullptr) return 0;
    BlockHeader header{};
    std::memcpy(&header, block, sizeof header);
    if (header.magic != kBlockMagic) return 0;
    const auto* text = reinterpret_cast<const wchar_t*>(static_cast<const char*>(block) + sizeof(BlockHeader));
    const std::size_t count = header.bytes / sizeof(wchar_t);

    // Length of the string at pos, or npos when it is not terminated inside the block.
    auto stringAt = [&](std::size_t pos) -> std::size_t {
        for (std::size_t i = pos; i < count; ++i)
            if (text[i] == L'\0') return i - pos;
        return std::wstring::npos;
    };

    std::size_t pos = 0;
    while (pos < count) {
        const std::size_t keyLen = stringAt(pos);
        if (keyLen == 0 || keyLen == std::wstring::npos) return 0;
        const std::size_t valuePos = pos + keyLen + 1;
        const std::size_t valueLen = stringAt(valuePos);
        if (valueLen == std::wstring::npos) return 0;
        if (EqualsIgnoreAsciiCase(text + pos, keyLen, subBlock)) {
            *out = const_cast<wchar_t*>(text + valuePos);
            if (outLen != nullptr) *outLen = static_cast<UINT>(valueLen);
            return 1;
        }
        pos = valuePos + valueLen + 1;
    }
    return 0;
}

DWORD GetModuleFileNameW(void* hModule, wchar_t* buf, DWORD size) {
    if (hModule != nullptr || buf == nullptr || size == 0) return 0;
    std::string target(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", target.data(), target.size());
        if (n < 0) {
            buf[0] = L'\0';
            return 0;
        }
        if (static_cast<std::size_t>(n) < target.size()) {
            target.resize(static_cast<std::size_t>(n));
            break;
        }
        target.resize(target.size() * 2);
    }
    const std::wstring wide = vantel::FromUtf8(target);
    if (wide.size() >= size) {
        buf[0] = L'\0';
        return 0;
    }
    std::wmemcpy(buf, wide.c_str(), wide.size() + 1);
    return static_cast<DWORD>(wide.size());
}

DWORD GetCurrentDirectoryW(DWORD size, wchar_t* buf) {
    if (buf == nullptr || size == 0) return 0;
    std::string cwd(256, '\0');
    while (::getcwd(cwd.data(), cwd.size()) == nullptr) {
        if (errno != ERANGE) {
            buf[0] = L'\0';
            return 0;
        }
        cwd.resize(cwd.size() * 2);
    }
    cwd.resize(std::strlen(cwd.c_str()));
    const std::wstring wide = vantel::FromUtf8(cwd);
    if (wide.size() >= size) {
        buf[0] = L'\0';
        return 0;
    }
    std::wmemcpy(buf, wide.c_str(), wide.size() + 1);
    return static_cast<DWORD>(wide.size());
}

namespace vantel {

void ReadVersionInfo(const std::wstring& exePath, std::wstring& internalName, std::wstring& fileVersion) {
    internalName.clear();
    fileVersion.clear();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(exePath.c_str(), &handle);
    if (size == 0) return;
    std::vector<unsigned char> block(size);
    if (!GetFileVersionInfoW(exePath.c_str(), handle, size, block.data())) return;

    struct LangAndCodePage {
        WORD language;
        WORD codePage;
    };
    void* value = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &len) || len == 0) return;
    const auto* translation = static_cast<const LangAndCodePage*>(value);

    const auto query = [&](const wchar_t* name, std::wstring& out) {
        const std::wstring path =
            fmt::format(L"\\StringFileInfo\\{:04X}{:04X}\\{}", translation->language, translation->codePage, name);
        void* text = nullptr;
        UINT textLen = 0;
        if (VerQueryValueW(block.data(), path.c_str(), &text, &textLen)) {
            out.assign(static_cast<const wchar_t*>(text), textLen);
        }
    };
    query(L"InternalName", internalName);
    query(L"FileVersion", fileVersion);
}

void ReadVersionInfo(std::wstring& internalName, std::wstring& fileVersion) {
    wchar_t path[1024];
    const DWORD n = GetModuleFileNameW(nullptr, path, 1024);
    ReadVersionInfo(std::wstring(path, n), internalName, fileVersion);
}

}  // namespace vantel
