#include <elf.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/version.h"

namespace fs = std::filesystem;

namespace {

const std::wstring kExePath = vantel::FromUtf8(VANTEL_EXE_PATH);

std::vector<char> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class VersionFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "vantel-ver-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        m_dir = tmpl;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::wstring Write(const std::string& name, const std::vector<char>& bytes) {
        const fs::path path = m_dir / name;
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return vantel::FromUtf8(path.string());
    }

    // Reads the version block of path; empty when there is none.
    static std::vector<char> Block(const std::wstring& path) {
        DWORD handle = 123;
        const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
        EXPECT_EQ(handle, 0u);
        if (size == 0) return {};
        std::vector<char> block(size);
        EXPECT_TRUE(GetFileVersionInfoW(path.c_str(), handle, size, block.data()));
        return block;
    }

    static std::wstring Query(const std::vector<char>& block, const wchar_t* key) {
        void* value = nullptr;
        UINT len = 999;
        if (!VerQueryValueW(block.data(), key, &value, &len)) return L"<missing>";
        return std::wstring(static_cast<const wchar_t*>(value), len);
    }

    fs::path m_dir;
};

}  // namespace

TEST_F(VersionFile, ReadsTheBlockOfTheConsoleExecutable) {
    const auto block = Block(kExePath);
    ASSERT_FALSE(block.empty());

    void* value = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &len));
    EXPECT_EQ(len, 1u);
    struct LangCodePage {
        WORD language;
        WORD codePage;
    } pair{};
    std::memcpy(&pair, value, sizeof pair);
    EXPECT_EQ(pair.language, 0x0407);
    EXPECT_EQ(pair.codePage, 0x04B0);

    EXPECT_EQ(Query(block, L"\\StringFileInfo\\040704B0\\InternalName"), L"Vantel");
    EXPECT_EQ(Query(block, L"\\StringFileInfo\\040704B0\\FileVersion"), vantel::FromUtf8(VANTEL_PROJECT_VERSION));
    EXPECT_EQ(Query(block, L"\\StringFileInfo\\040704B0\\ProductVersion"), vantel::FromUtf8(VANTEL_PROJECT_VERSION));
    EXPECT_EQ(Query(block, L"\\StringFileInfo\\040704B0\\OLESelfRegister"), L"");
    EXPECT_EQ(Query(block, L"\\stringfileinfo\\040704b0\\internalNAME"), L"Vantel");

    EXPECT_EQ(Query(block, L"\\StringFileInfo\\040704B0\\NoSuchKey"), L"<missing>");
    EXPECT_EQ(Query(block, L"\\StringFileInfo\\040704B0\\InternalNam"), L"<missing>");
    EXPECT_EQ(Query(block, L"\\StringFileInfo\\040704B0\\InternalNames"), L"<missing>");
    EXPECT_EQ(Query(block, L""), L"<missing>");
}

TEST_F(VersionFile, ShortBufferHoldsOnlyTheLeadingKeys) {
    const DWORD size = GetFileVersionInfoSizeW(kExePath.c_str(), nullptr);
    // Room for the header and the translation entry, not for the next key.
    const DWORD shortLen = 128;
    ASSERT_GT(size, shortLen);
    // Exactly the length passed, so ASan sees any read past it.
    std::vector<char> block(shortLen);
    ASSERT_TRUE(GetFileVersionInfoW(kExePath.c_str(), 0, shortLen, block.data()));
    void* value = nullptr;
    UINT len = 0;
    EXPECT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &len));
    EXPECT_FALSE(VerQueryValueW(block.data(), L"\\StringFileInfo\\040704B0\\OLESelfRegister", &value, &len));
    EXPECT_FALSE(GetFileVersionInfoW(kExePath.c_str(), 0, 4, block.data()));
}

TEST_F(VersionFile, FilesWithoutABlockGiveZero) {
    wchar_t self[4096];
    ASSERT_GT(GetModuleFileNameW(nullptr, self, 4096), 0u);
    EXPECT_TRUE(Block(self).empty()) << "the test binary carries no version section";

    EXPECT_TRUE(Block(Write("notes.txt", {'h', 'e', 'l', 'l', 'o', '\n'})).empty());
    EXPECT_TRUE(Block(Write("empty", {})).empty());
    EXPECT_TRUE(Block((m_dir / "missing").wstring()).empty());
    EXPECT_TRUE(Block(m_dir.wstring()).empty());
    EXPECT_EQ(GetFileVersionInfoSizeW(nullptr, nullptr), 0u);
    char buf[64];
    EXPECT_FALSE(GetFileVersionInfoW((m_dir / "missing").wstring().c_str(), 0, sizeof buf, buf));
}

TEST_F(VersionFile, DamagedCopiesOfTheExecutableGiveZero) {
    const auto exe = ReadAll(VANTEL_EXE_PATH);
    ASSERT_GT(exe.size(), sizeof(Elf64_Ehdr));
    ASSERT_FALSE(Block(Write("intact", exe)).empty());

    // The linker puts the section headers last, so each of these cuts loses them.
    for (std::size_t len : {std::size_t{4}, sizeof(Elf64_Ehdr) - 1, sizeof(Elf64_Ehdr), exe.size() / 2,
                            exe.size() - 1}) {
        const std::vector<char> cut(exe.begin(), exe.begin() + static_cast<std::ptrdiff_t>(len));
        EXPECT_TRUE(Block(Write("cut", cut)).empty()) << "cut at " << len;
    }

    auto patched = [&](std::size_t offset, auto value) {
        auto copy = exe;
        std::memcpy(copy.data() + offset, &value, sizeof value);
        return copy;
    };
    EXPECT_TRUE(Block(Write("shoff", patched(offsetof(Elf64_Ehdr, e_shoff), Elf64_Off{~0ULL - 8}))).empty());
    EXPECT_TRUE(Block(Write("shnum", patched(offsetof(Elf64_Ehdr, e_shnum), Elf64_Half{0xFFFE}))).empty());
    EXPECT_TRUE(Block(Write("strndx", patched(offsetof(Elf64_Ehdr, e_shstrndx), Elf64_Half{0xFFF0}))).empty());
    EXPECT_TRUE(Block(Write("class", patched(EI_CLASS, char{ELFCLASS32}))).empty());
}

TEST(PlatformVersion, ModuleFileNameAndCurrentDirectory) {
    wchar_t buf[4096];
    const DWORD n = GetModuleFileNameW(nullptr, buf, 4096);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(fs::path(std::wstring(buf, n)), fs::canonical("/proc/self/exe"));
    EXPECT_EQ(GetModuleFileNameW(nullptr, buf, n), 0u) << "no room for the terminator";
    EXPECT_EQ(GetModuleFileNameW(buf, buf, 4096), 0u) << "only the running module is known";

    const DWORD c = GetCurrentDirectoryW(4096, buf);
    ASSERT_GT(c, 0u);
    EXPECT_EQ(std::wstring(buf, c), fs::current_path().wstring());
    EXPECT_EQ(buf[c], L'\0');
    EXPECT_EQ(GetCurrentDirectoryW(c, buf), 0u);
}
