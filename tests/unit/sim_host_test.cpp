// The host folder against hostile paths, in a fresh temporary folder per test.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/model/host_folder.h"

namespace vantel::link::sim {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

std::string Text(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

unsigned Mode(const fs::path& p) {
    struct stat st {};
    EXPECT_EQ(::lstat(p.c_str(), &st), 0) << p;
    return st.st_mode & 07777;
}

// base/outside holds a file the tests try to reach; base/root is the host folder.
class Place {
public:
    Place() {
        std::string pattern = (fs::temp_directory_path() / "vantel-host-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        base = pattern;
        outside = base / "outside";
        root = base / "root";
        fs::create_directories(outside / "inner");
        fs::create_directory(root);
        std::ofstream(outside / "secret") << "keep";
    }
    ~Place() {
        std::error_code ec;
        fs::remove_all(base, ec);
    }

    // Everything below base except the host folder's contents: kind, and the bytes or link target.
    std::map<std::string, std::string> Outside() const {
        std::map<std::string, std::string> seen;
        for (auto it = fs::recursive_directory_iterator(base); it != fs::recursive_directory_iterator(); ++it) {
            const auto rel = fs::relative(it->path(), base).string();
            if (it->is_symlink()) seen[rel] = "link " + fs::read_symlink(it->path()).string();
            else if (it->is_directory()) seen[rel] = "dir";
            else seen[rel] = "file " + Text(it->path());
            if (it->path() == root) it.disable_recursion_pending();
        }
        return seen;
    }

    fs::path base, outside, root;
};

std::set<std::string> List(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

// Every operation on a refused path fails with a reason and leaves both sides as they were.
void ExpectRefusedEverywhere(Place& place, const std::wstring& rel) {
    SimHostFolder host(place.root);
    const auto outside = place.Outside();
    const auto inside = List(place.root);
    std::vector<std::uint8_t> out = Bytes("untouched");
    Outcome why;
    EXPECT_FALSE(why = host.Read(rel, out));
    EXPECT_FALSE(why.Why().empty());
    EXPECT_EQ(out, Bytes("untouched"));
    for (bool overwrite : {false, true}) {
        why = {};
        EXPECT_FALSE(why = host.Write(rel, Bytes("bad"), overwrite));
        EXPECT_FALSE(why.Why().empty());
    }
    why = {};
    EXPECT_FALSE(why = host.Append(rel, Bytes("bad")));
    EXPECT_FALSE(why.Why().empty());
    EXPECT_EQ(place.Outside(), outside);
    EXPECT_EQ(List(place.root), inside);
}

std::string Narrow(const std::wstring& w) {
    std::string s;
    for (wchar_t c : w) s += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    return s;
}

TEST(SimHostFolder, WritesReadsAndAppendsBelowTheRoot) {
    Place place;
    const fs::path root = place.base / "new" / "deeper" / "host";
    SimHostFolder host(root);
    Outcome why;
    std::vector<std::uint8_t> out;

    EXPECT_FALSE(why = host.Read(L"first.bin", out));
    EXPECT_FALSE(fs::exists(place.base / "new")) << "reading must not create the root";

    const std::vector<std::uint8_t> binary = {0, 1, 0xFF, '\n', '\r', 0x80};
    ASSERT_TRUE(why = host.Write(L"first.bin", binary, false)) << why.Why();
    EXPECT_EQ(Mode(root), 0700u);
    EXPECT_EQ(Mode(root / "first.bin"), 0600u);
    ASSERT_TRUE(why = host.Read(L"first.bin", out)) << why.Why();
    EXPECT_EQ(out, binary);

    ASSERT_TRUE(why = host.Write(L"x\\y/z.txt", Bytes("nested"), false)) << why.Why();
    EXPECT_EQ(Mode(root / "x"), 0700u);
    EXPECT_EQ(Mode(root / "x" / "y"), 0700u);
    ASSERT_TRUE(why = host.Read(L"./x//y\\.\\z.txt", out)) << why.Why();
    EXPECT_EQ(out, Bytes("nested"));

    out = Bytes("old");
    ASSERT_TRUE(why = host.Write(L"empty", {}, false)) << why.Why();
    ASSERT_TRUE(why = host.Read(L"empty", out)) << why.Why();
    EXPECT_TRUE(out.empty());

    ASSERT_TRUE(why = host.Append(L"log/link.txt", Bytes("ab"))) << why.Why();
    ASSERT_TRUE(why = host.Append(L"log/link.txt", Bytes("cd"))) << why.Why();
    ASSERT_TRUE(why = host.Append(L"first.bin", Bytes("!"))) << why.Why();
    EXPECT_EQ(Text(root / "log" / "link.txt"), "abcd");
    EXPECT_EQ(fs::file_size(root / "first.bin"), binary.size() + 1);

    EXPECT_EQ(List(root), (std::set<std::string>{"first.bin", "x", "empty", "log"})) << "no temporary file left";
}

TEST(SimHostFolder, OverwritesOnlyWhenAsked) {
    Place place;
    SimHostFolder host(place.root);
    Outcome why;
    ASSERT_TRUE(why = host.Write(L"a.txt", Bytes("one"), false)) << why.Why();
    EXPECT_FALSE(why = host.Write(L"a.txt", Bytes("two"), false));
    EXPECT_EQ(why.Why(), L"file exists");
    EXPECT_EQ(Text(place.root / "a.txt"), "one");
    ASSERT_TRUE(why = host.Write(L"a.txt", Bytes("three"), true)) << why.Why();
    EXPECT_EQ(Text(place.root / "a.txt"), "three");
    EXPECT_EQ(List(place.root), std::set<std::string>{"a.txt"});
}

TEST(SimHostFolder, RefusesPathsThatAreAbsoluteClimbOrNameNoFile) {
    Place place;
    fs::create_directory(place.root / "a");
    const std::wstring refused[] = {
        L"",
        (place.outside / "secret").wstring(),
        L"\\outside\\secret",
        L"C:\\x",
        L"c:x",
        L"..",
        L"../outside/secret",
        L"a/../../outside/new",
        L"a\\..\\..\\outside\\new",
        L"a/../b",
        L"a/..",
        std::wstring(L"x\0y", 3),
        L"a/",
        L"a\\",
        L".",
        L"a/.",
        std::wstring(1, wchar_t(0xD800)) + L"x",
        L"x" + std::wstring(1, wchar_t(0xDC00)),
        std::wstring(1, wchar_t(0x110000)),
    };
    for (const auto& rel : refused) {
        SCOPED_TRACE(Narrow(rel));
        ExpectRefusedEverywhere(place, rel);
    }

    // A refused path does not create a missing root either.
    SimHostFolder missing(place.base / "nothing");
    Outcome why;
    EXPECT_FALSE(why = missing.Write(L"../outside/x", Bytes("bad"), true));
    EXPECT_FALSE(fs::exists(place.base / "nothing"));
}

TEST(SimHostFolder, PathLengthLimitIsInclusive) {
    Place place;
    SimHostFolder host(place.root);
    std::wstring longest = std::wstring(200, L'd') + L"/";
    longest += longest + longest + longest + longest;
    longest += std::wstring(kHostMaxPath - longest.size(), L'f');
    ASSERT_EQ(longest.size(), kHostMaxPath);
    Outcome why;
    EXPECT_TRUE(why = host.Write(longest, Bytes("fits"), false)) << why.Why();
    ExpectRefusedEverywhere(place, longest + L"f");
}

TEST(SimHostFolder, RefusesLinksOutOfTheRootWithoutTouchingTheirTargets) {
    Place place;
    fs::create_directory(place.root / "sub");
    fs::create_symlink(place.outside / "secret", place.root / "file_out");
    fs::create_symlink("../outside", place.root / "dir_out");
    fs::create_symlink("../../outside", place.root / "sub" / "dir_out");
    fs::create_symlink(place.outside / "created", place.root / "dangling_out");
    fs::create_symlink("../outside/inner", place.root / "inner_out");
    fs::create_symlink("../outside/nowhere", place.root / "dangling_dir");
    for (const wchar_t* rel : {L"file_out", L"dir_out/secret", L"dir_out/new", L"dir_out/deeper/new",
                               L"sub/dir_out/secret", L"sub\\dir_out\\inner\\new", L"dangling_out",
                               L"inner_out/new", L"dangling_dir/new"}) {
        SCOPED_TRACE(Narrow(rel));
        ExpectRefusedEverywhere(place, rel);
    }
    EXPECT_TRUE(fs::is_symlink(place.root / "file_out")) << "the link is not replaced either";
    EXPECT_FALSE(fs::exists(place.outside / "created"));
    EXPECT_FALSE(fs::exists(place.outside / "nowhere"));
}

TEST(SimHostFolder, RefusesLinksThatStayInsideToo) {
    Place place;
    fs::create_directory(place.root / "real");
    std::ofstream(place.root / "real" / "file") << "inside";
    fs::create_symlink("real/file", place.root / "alias");
    fs::create_symlink("real", place.root / "folder_alias");
    ExpectRefusedEverywhere(place, L"alias");
    ExpectRefusedEverywhere(place, L"folder_alias/file");
    Outcome why;
    std::vector<std::uint8_t> out;
    EXPECT_FALSE(why = SimHostFolder(place.root).Read(L"folder_alias/file", out));
    EXPECT_EQ(why.Why(), L"symbolic links are not followed");
}

TEST(SimHostFolder, OnlyPlainFilesAreReadOrReplaced) {
    Place place;
    fs::create_directory(place.root / "folder");
    std::ofstream(place.root / "file.txt") << "text";
    ASSERT_EQ(::mkfifo((place.root / "pipe").c_str(), 0600), 0);
    // A FIFO nobody writes would block a plain open for ever; this must fail instead.
    for (const wchar_t* rel : {L"folder", L"pipe", L"file.txt/below"}) {
        SCOPED_TRACE(Narrow(rel));
        ExpectRefusedEverywhere(place, rel);
    }
    EXPECT_TRUE(fs::is_directory(place.root / "folder"));
    EXPECT_TRUE(fs::is_fifo(place.root / "pipe"));
    EXPECT_EQ(Text(place.root / "file.txt"), "text");
}

TEST(SimHostFolder, ReadsUpToTheSizeLimit) {
    Place place;
    auto sparse = [&](const char* name, off_t size) {
        const int fd = ::open((place.root / name).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
    };
    sparse("limit", static_cast<off_t>(kHostMaxRead));
    sparse("over", static_cast<off_t>(kHostMaxRead + 1));
    SimHostFolder host(place.root);
    Outcome why;
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(why = host.Read(L"limit", out)) << why.Why();
    EXPECT_EQ(out.size(), kHostMaxRead);
    out = Bytes("untouched");
    EXPECT_FALSE(why = host.Read(L"over", out));
    EXPECT_EQ(why.Why(), L"file too large");
    EXPECT_EQ(out, Bytes("untouched"));
}

TEST(SimHostFolder, WideNamesAreStoredAsUtf8) {
    Place place;
    SimHostFolder host(place.root);
    Outcome why;
    const std::wstring pair = std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)} + L"\u00e9.txt";
    ASSERT_TRUE(why = host.Write(pair, Bytes("smile"), false)) << why.Why();
    EXPECT_EQ(List(place.root), std::set<std::string>{"\xF0\x9F\x98\x80\xC3\xA9.txt"});
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(why = host.Read(L"\U0001F600\u00e9.txt", out)) << why.Why();
    EXPECT_EQ(out, Bytes("smile"));
}

TEST(SimHostFolder, DefaultRootFollowsTheEnvironment) {
    auto saved = [](const char* name) -> std::optional<std::string> {
        const char* v = std::getenv(name);
        return v ? std::optional<std::string>(v) : std::nullopt;
    };
    const char* names[] = {"VANTEL_SIM_HOST_DIR", "XDG_DATA_HOME", "HOME"};
    std::optional<std::string> before[3];
    for (int i = 0; i < 3; ++i) before[i] = saved(names[i]);

    ::setenv("VANTEL_SIM_HOST_DIR", "/srv/host", 1);
    ::setenv("XDG_DATA_HOME", "/data", 1);
    ::setenv("HOME", "/home/u", 1);
    EXPECT_EQ(SimHostFolder::DefaultRoot(), fs::path("/srv/host"));
    ::setenv("VANTEL_SIM_HOST_DIR", "", 1);
    EXPECT_EQ(SimHostFolder::DefaultRoot(), fs::path("/data/vantel/host"));
    ::setenv("XDG_DATA_HOME", "relative", 1);
    EXPECT_EQ(SimHostFolder::DefaultRoot(), fs::path("/home/u/.local/share/vantel/host"));
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(SimHostFolder::DefaultRoot(), fs::path("/home/u/.local/share/vantel/host"));

    for (int i = 0; i < 3; ++i) {
        if (before[i]) ::setenv(names[i], before[i]->c_str(), 1);
        else ::unsetenv(names[i]);
    }
}

}  // namespace
}  // namespace vantel::link::sim
