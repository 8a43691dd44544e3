// The simulated controller's files, editor, file manager, motion and log through a CPlexa,
// at latency 0 on a clock of the test's own: each request has done all it sets off when
// Done returns.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "link/plexa.h"
#include "sim/controller.h"
#include "sim_backend.h"

namespace vantel::link::sim {
namespace {

namespace fs = std::filesystem;

constexpr HWND kWindow = 77;
constexpr UINT kPlexa = 0xC100;

using test::Backend;

struct ModuleInfo {
    ESourceType source{};
    std::int32_t codeLines = 0, dataLines = 0, bytes = 0, errors = 0, readOnly = 0, hidden = 0, system = 0, linked = 0,
                 open = 0, selected = 0, clean = 0, userAttributes = 0;
    std::wstring comment, user;
    EItemState codeState{}, dataState{};
};

class Rig {
public:
    explicit Rig(fs::path host = {})
        : m_backend(new Backend(Config(std::move(host)))), link(std::unique_ptr<ILinkBackend>(m_backend)) {
        EXPECT_EQ(link.Init(L"Vantel", L"", kPlexa, kWindow, 223, 0), 1);
    }
    static SimConfig Config(fs::path host) {
        SimConfig c;
        c.latency = c.step = c.mousePeriod = Clock::duration::zero();
        c.fixedClockMs = 0;
        c.hostDir = std::move(host);
        return c;
    }

    std::int16_t Done(std::int16_t h) {
        EXPECT_NE(h, 0);
        SimController& sim = m_backend->sim;
        for (int i = 0; i < 10000; ++i) {
            const auto due = sim.NextDue();
            if (!due) break;
            m_backend->now = std::max(m_backend->now, *due);
            sim.Tick(m_backend->now);
        }
        for (const auto& p : sim.TakePosts())
            posts.emplace_back(static_cast<std::int16_t>(p.wParam), static_cast<int>(p.lParam));
        return h;
    }
    // The notification types posted for a job.
    std::vector<int> TypesOf(std::int16_t h) const {
        std::vector<int> t;
        for (const auto& [handle, type] : posts) {
            if (handle == h) t.push_back(type);
        }
        return t;
    }
    // Every result a standing watch holds.
    template <class Result>
    static std::vector<std::uint32_t> Heard(const Result& result, std::int16_t watch) {
        std::vector<std::uint32_t> out;
        std::uint32_t bits = 0;
        while (result(watch, bits) == 1) out.push_back(bits);
        return out;
    }

    std::int32_t Open(const std::wstring& module, std::int32_t mode, std::uint32_t flags = 0) {
        std::int32_t handle = 0;
        link.ModuleCodeOpenResult(Done(link.ModuleCodeOpen(module, flags, EEditMode{mode}, L"tester", L"")), handle);
        return handle;
    }
    StringArray Lines(std::int32_t handle) {
        StringArray lines;
        EXPECT_EQ(link.ModuleCodeGetLinesResult(Done(link.ModuleCodeGetLines(handle, 1, 0)), lines), 1);
        return lines;
    }
    std::uint32_t Crc(const std::wstring& path, std::int32_t flag = 0) {
        std::uint32_t crc = 0;
        EXPECT_EQ(link.ItemGetCRCResult(Done(link.ItemGetCRC(path, flag)), crc), 1) << path;
        return crc;
    }
    std::wstring Show(const std::wstring& name) {
        std::wstring text;
        EXPECT_EQ(link.ShowVarResult(Done(link.ShowVar(name, L"")), text), 1) << name;
        return text;
    }
    StringArray Names(const std::wstring& folder) {
        StringArray names;
        EXPECT_EQ(link.ItemNameListResult(Done(link.ItemNameList(folder, 0, 0)), names), 1);
        return names;
    }
    ModuleInfo Info(const std::wstring& module) {
        ModuleInfo i;
        EXPECT_EQ(link.ModuleInformationGetPropResult(Done(link.ModuleInformationGetProp(module, 0)), i.source,
                                                      i.codeLines, i.dataLines, i.bytes, i.errors, i.readOnly, i.hidden,
                                                      i.system, i.linked, i.open, i.selected, i.clean, i.userAttributes,
                                                      i.comment, i.user, i.codeState, i.dataState),
                  1)
            << module;
        return i;
    }
    StringArray Log() {
        StringArray lines;
        link.GetLogEntriesResult(Done(link.GetLogEntries(1, 1000)), lines);
        return lines;
    }
    bool Logged(const std::wstring& text) {
        const auto log = Log();
        return std::any_of(log.begin(), log.end(),
                           [&](const std::wstring& l) { return l.find(text) != std::wstring::npos; });
    }
    int Close(std::int32_t handle, std::int32_t save) {
        return link.ModuleCodeCloseResult(Done(link.ModuleCodeClose(handle, save, EEditMode{0})));
    }

private:
    Backend* m_backend;

public:
    CPlexa link;
    std::vector<std::pair<std::int16_t, int>> posts;
};

// The result call of a request, made once the request is done; out-values follow the arguments.
#define RESULT(rig, call, args, ...) \
    (rig).link.call##Result((rig).Done((rig).link.call args) __VA_OPT__(, ) __VA_ARGS__)

ByteArray Block(std::string_view s) { return {s.begin(), s.end()}; }
// A literal with its zero bytes, without the one that ends it.
template <std::size_t N>
ByteArray Literal(const char (&s)[N]) {
    return ByteArray(s, s + N - 1);
}

class TempFolder {
public:
    TempFolder() {
        std::string tmpl = (fs::temp_directory_path() / "vantel-fileman-XXXXXX").string();
        if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path = tmpl;
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    fs::path path;
};

std::string Slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(SimFilemanCode, EditsThroughModuleCodePostTheirBitsToThatModulesWatchesOnly) {
    Rig r;
    const auto code = r.Done(r.link.NotifyModuleCode(L"DEMO", 0, 0));
    const auto inserts = r.Done(r.link.NotifyModuleCode(L"USER:/R1/DEMO.SRC", change::kInserted, 0));
    const auto other = r.Done(r.link.NotifyModuleCode(L"WARMUP", 0, 0));
    const auto info = r.Done(r.link.NotifyModuleInformation(L"DEMO", 0, 0));
    const std::int32_t h = r.Open(L"DEMO", 0);
    ASSERT_GT(h, 0);
    EXPECT_EQ(r.Open(L"demo", 1), 0) << "one editor per module";
    std::int32_t count = 0;
    ECodeType type{};
    EXPECT_EQ(RESULT(r, ModuleCodeGetProp, (h), count, type), 1);
    EXPECT_EQ(count, 7);
    EXPECT_EQ(type, 1);

    EXPECT_EQ(RESULT(r, ModuleCodeInsertLines, (h, 7, {L"  WAIT SEC 1", L"  PTP P1"})), 1);
    EXPECT_EQ(RESULT(r, ModuleCodeDeleteLines, (h, 2, 1)), 1);
    StringArray old;
    EXPECT_EQ(RESULT(r, ModuleCodeReplaceLines, (h, 1, 1, {L"DEF DEMO ( )", L"  ; edited"}), old), 1);
    EXPECT_EQ(old, StringArray{L"DEF DEMO ( )"});
    EXPECT_EQ(RESULT(r, ModuleCodeRedeclare, (h, L"TOUR", L"SPEED", L"")), 1);
    EXPECT_EQ(RESULT(r, ModuleCodeDeleteLines, (h, 9, 2)), 0) << "past the end";
    const StringArray edited{L"DEF TOUR ( SPEED )", L"  ; edited",   L"  PTP P1", L"  LIN P2", L"  LIN P3",
                             L"  PTP HOME",         L"  WAIT SEC 1", L"  PTP P1", L"END"};
    EXPECT_EQ(r.Lines(h), edited);
    EXPECT_EQ(r.Close(h, 1), 1);
    EXPECT_EQ(Rig::Heard(r.link.NotifyModuleCodeResult, code),
              (std::vector<std::uint32_t>{0, change::kOpened, change::kInserted, change::kDeleted, change::kChanged,
                                          change::kChanged, change::kOpened}));
    EXPECT_EQ(Rig::Heard(r.link.NotifyModuleCodeResult, inserts), (std::vector<std::uint32_t>{0, change::kInserted}));
    EXPECT_EQ(Rig::Heard(r.link.NotifyModuleCodeResult, other), (std::vector<std::uint32_t>{0}));
    EXPECT_EQ(Rig::Heard(r.link.NotifyModuleInformationResult, info), (std::vector<std::uint32_t>{0}));

    // Closing without saving puts the lines of the opening back: the whole content is new.
    const std::int32_t again = r.Open(L"DEMO", 0);
    r.Done(r.link.ModuleCodeReplaceLines(again, 2, 1, {L"  HALT"}));
    EXPECT_EQ(r.Close(again, 0), 1);
    EXPECT_EQ(Rig::Heard(r.link.NotifyModuleCodeResult, code),
              (std::vector<std::uint32_t>{change::kOpened, change::kChanged, change::kWritten, change::kOpened}));
    EXPECT_EQ(Rig::Heard(r.link.NotifyModuleInformationResult, info), (std::vector<std::uint32_t>{change::kWritten}));
    const std::int32_t view = r.Open(L"DEMO", 2);
    EXPECT_EQ(r.Lines(view), edited);
    EXPECT_EQ(RESULT(r, ModuleCodeInsertLines, (view, 0, {L"X"})), 0) << "view only";
}

TEST(SimFilemanCode, HandlesReadFindAndSelectLines) {
    Rig r;
    const std::int32_t h = r.Open(L"USER:/R1/LIB/GRIP", 2);
    StringArray lines;
    RESULT(r, ModuleCodeGetLines, (h, -5, 2), lines);
    EXPECT_EQ(lines, (StringArray{L"DEF GRIP ( CLOSE )", L"  IF CLOSE == 1 THEN"}));
    EXPECT_EQ(RESULT(r, ModuleCodeGetLines, (h, 10, 1), lines), 0);
    std::vector<std::int32_t> hit(4);
    RESULT(r, ModuleCodeFind, (h, L"grip", 2, 0, 0, 0, 1, 1, 0, 1), hit[0], hit[1], hit[2], hit[3]);
    EXPECT_EQ(hit, (std::vector<std::int32_t>{1, 5, 4, 0})) << "$OUT_GRIP holds no whole word; found by wrapping";
    std::int32_t line = 0;
    EStructKind kind{};
    std::wstring text;
    RESULT(r, ModuleCodeFindStruct, (h, 3, EStructKind{0}, 1), line, kind, text);
    EXPECT_EQ(std::make_pair(line, text), std::make_pair(2, std::wstring(L"IF CLOSE == 1 THEN")));
    EXPECT_EQ(RESULT(r, ModuleCodeSelectLine, (h, 7, L"wait sec")), 1);
    EXPECT_EQ(RESULT(r, ModuleCodeSelectLine, (h, 7, L"PTP")), 0) << "the line changed";
    for (int i = 1; i < 32; ++i) ASSERT_GT(r.Open(L"GRIP", 2), 0) << i;
    EXPECT_EQ(r.Open(L"GRIP", 2), 0) << "32 open at most";
    EXPECT_EQ(r.Close(h, 0), 1);
    EXPECT_EQ(r.Close(h, 0), 0);
}

TEST(SimFilemanCode, ADataListIsFoundThroughItsModulesBareName) {
    Rig r;
    const std::int32_t h = r.Open(L"DEMO", 2, 1);
    ASSERT_GT(h, 0);
    std::int32_t count = 0;
    ECodeType type{};
    RESULT(r, ModuleCodeGetProp, (h), count, type);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(type, 2);
    EXPECT_EQ(RESULT(r, OCEditInsert, (1, L"DEMO", 3, L"DECL INT SPEED = 5")), 1);
}

TEST(SimFilemanEditor, TheEditorHoldsOneModuleAndCloseCanThrowTheChangesAway) {
    Rig r;
    const std::uint32_t crc = r.Crc(L"WARMUP");
    const auto watch = r.Done(r.link.NotifyModuleCode(L"WARMUP", 0, 0));
    EXPECT_EQ(RESULT(r, EditOpen, (0, L"WARMUP")), 1);
    EXPECT_EQ(RESULT(r, EditOpen, (0, L"DEMO")), 0) << "one module at a time";
    EXPECT_EQ(r.Open(L"WARMUP", 0), 0) << "open for editing in the editor";
    EXPECT_EQ(RESULT(r, OCEditChange, (0, L"WARMUP", 2, L"X")), 0);
    EXPECT_EQ(RESULT(r, EditInsert, (0, L"  HALT")), 1);
    EXPECT_EQ(RESULT(r, EditChange, (2, L"  $OV_PRO = 75")), 1);
    EXPECT_EQ(RESULT(r, EditDelete, (3)), 1);
    std::wstring text;
    EXPECT_EQ(RESULT(r, EditPrint, (2), text), 1);
    EXPECT_EQ(text, L"  $OV_PRO = 75");
    EXPECT_EQ(RESULT(r, EditAnalyse, (L"")), 0) << "HALT after END";
    EXPECT_EQ(RESULT(r, EditClose, (1)), 1);
    EXPECT_EQ(r.Crc(L"WARMUP"), crc) << "the lines of the opening are back";
    EXPECT_EQ(Rig::Heard(r.link.NotifyModuleCodeResult, watch),
              (std::vector<std::uint32_t>{0, change::kOpened, change::kInserted, change::kChanged, change::kDeleted,
                                          change::kWritten, change::kOpened}));
}

TEST(SimFilemanItems, AMemoryBlockBecomesACleanModuleAndComesBackByteForByte) {
    Rig r;
    const ByteArray block = Literal("DEF TEST ( )\0END\0");
    ASSERT_EQ(block.size(), 17u);
    EXPECT_EQ(r.link.ItemCopyResult(r.Done(r.link.ItemCopySrcMem(block, L"RAM:/TEST.SRC", 0))), 1);
    EXPECT_EQ(r.link.ItemCopyResult(r.Done(r.link.ItemCopySrcMem(block, L"RAM:/TEST.SRC", 0))), 0) << "exists";
    EItemType type{};
    std::wstring full;
    std::uint32_t attributes = 0, size = 0;
    CFileTime created, modified, read;
    EEditMode mode{};
    EXPECT_EQ(RESULT(r, ItemGetProp, (L"ram:/test", 0), type, full, attributes, size, created, modified, read, mode),
              1);
    EXPECT_EQ(std::vector<std::int64_t>({type, attributes, size, mode}), (std::vector<std::int64_t>{1, 0, 17, 0}));
    EXPECT_EQ(full, L"RAM:/TEST.SRC");
    EXPECT_EQ(RESULT(r, ItemAnalyse, (L"RAM:/TEST")), 1);
    const ModuleInfo info = r.Info(L"RAM:/TEST.SRC");
    EXPECT_EQ(std::vector<std::int64_t>(
                  {info.source, info.codeLines, info.errors, info.clean, info.codeState, info.dataState}),
              (std::vector<std::int64_t>{2, 2, 0, 1, 2, 0}));
    ByteArray back;
    EXPECT_EQ(RESULT(r, ItemCopyDestMem, (L"RAM:/TEST.SRC", 0), back), 1);
    EXPECT_EQ(back, block);

    std::int32_t order = 9;
    r.Done(r.link.ItemCopy(L"RAM:/TEST.SRC", L"CARD:/TEST.SRC", 0));
    EXPECT_EQ(RESULT(r, ItemCompare, (L"RAM:/TEST.SRC", L"CARD:/TEST.SRC"), order), 1);
    EXPECT_EQ(order, 0);
    r.Done(r.link.OCEditInsert(0, L"CARD:/TEST", 0, L"HALT"));
    RESULT(r, ItemCompare, (L"RAM:/TEST.SRC", L"CARD:/TEST.SRC"), order);
    EXPECT_EQ(order, -1);
    RESULT(r, ItemCompare, (L"CARD:/TEST.SRC", L"RAM:/TEST.SRC"), order);
    EXPECT_EQ(order, 1);
}

TEST(SimFilemanItems, CreateRenameMoveAttributesAndDestroy) {
    Rig r;
    const StringArray start = r.Names(L"USER:/R1");
    const auto watch = r.Done(r.link.NotifyItem(L"USER:/R1", 0, 1));
    EXPECT_EQ(RESULT(r, ItemCreate, (L"USER:/R1", L"Tool", EItemType{1}, EModulePart{0}, L"made here", 0)), 1);
    EXPECT_EQ(RESULT(r, ItemCreate, (L"USER:/R1", L"TOOL", EItemType{1}, EModulePart{1}, L"", 0)), 0);
    const ModuleInfo tool = r.Info(L"TOOL");
    EXPECT_EQ(std::vector<std::int64_t>({tool.source, tool.codeLines, tool.dataLines, tool.clean}),
              (std::vector<std::int64_t>{1, 2, 2, 1}));
    EXPECT_EQ(tool.comment, L"made here");
    const std::int32_t data = r.Open(L"USER:/R1/TOOL", 2, 1);
    EXPECT_EQ(r.Lines(data), (StringArray{L"DEFDAT TOOL", L"ENDDAT"}));
    EXPECT_EQ(RESULT(r, ItemDestroy, (L"TOOL", 0)), 0) << "the data list is open";
    r.Close(data, 0);
    EXPECT_EQ(RESULT(r, ItemDestroy, (L"TOOL", 0)), 1) << "code and data list";
    EXPECT_EQ(r.Names(L"USER:/R1"), start);
    EXPECT_EQ(
        Rig::Heard(r.link.NotifyItemResult, watch),
        (std::vector<std::uint32_t>{0, change::kCreated, change::kCreated, change::kDestroyed, change::kDestroyed}));

    EXPECT_EQ(RESULT(r, ItemSetName, (L"USER:/README.TXT", L"READ.ME")), 1);
    EXPECT_EQ(RESULT(r, ItemMove, (L"USER:/READ.ME", L"CARD:/", 0)), 1);
    EXPECT_EQ(r.Names(L"CARD:/"), StringArray{L"READ.ME"});
    EXPECT_EQ(RESULT(r, ItemSetAttribute, (L"CARD:/READ.ME", 0x11, 0x11)), 1);
    EXPECT_EQ(RESULT(r, ItemDestroy, (L"CARD:/READ.ME", 0)), 0) << "read-only";
    EXPECT_EQ(RESULT(r, ItemSetAttribute, (L"CARD:/READ.ME", 0x08, 0x08)), 0) << "linked is the controller's";
    r.Done(r.link.ItemSetAttribute(L"CARD:/READ.ME", 0x01, 0));
    EXPECT_EQ(RESULT(r, ItemDestroy, (L"CARD:/READ.ME", 0)), 1);

    EXPECT_EQ(RESULT(r, ItemCreate, (L"RAM:", L"JOBS", EItemType{0}, EModulePart{0}, L"", 0)), 1);
    r.Done(r.link.ItemCopy(L"PICK", L"RAM:/JOBS", 0));
    StringArray deep;
    RESULT(r, ItemNameList, (L"RAM:/", 0, 1), deep);
    EXPECT_EQ(deep, (StringArray{L"JOBS/", L"JOBS/PICK.SRC"}));
    EXPECT_EQ(RESULT(r, ItemDestroy, (L"RAM:/JOBS", 0)), 0) << "not empty";
    EXPECT_EQ(RESULT(r, ItemDestroy, (L"RAM:/JOBS", 1)), 1);
}

TEST(SimFilemanItems, CreateRefusesAnEmptyName) {
    Rig r;
    const StringArray start = r.Names(L"USER:/R1");
    EXPECT_EQ(RESULT(r, ItemCreate, (L"USER:/R1", L"", EItemType{1}, EModulePart{0}, L"", 0)), 0);
    EXPECT_EQ(RESULT(r, ItemCreate, (L"USER:/R1", L"", EItemType{2}, EModulePart{0}, L"", 0)), 0);
    EXPECT_EQ(r.Names(L"USER:/R1"), start);
}

TEST(SimFilemanItems, ARefusedCreateLeavesNoHalfOfAModule) {
    Rig r;
    EXPECT_EQ(RESULT(r, ItemCreate, (L"RAM:", L"NEW", EItemType{2}, EModulePart{0}, L"", 0)), 1);
    EXPECT_EQ(RESULT(r, ItemCreate, (L"RAM:", L"NEW", EItemType{1}, EModulePart{0}, L"", 0)), 0)
        << "its data list exists";
    EXPECT_EQ(r.Names(L"RAM:"), StringArray{L"NEW.DAT"});
}

TEST(SimFilemanInfo, PropertiesUserAttributesDependenciesAndLink) {
    Rig r;
    const auto watch = r.Done(r.link.NotifyModuleInformation(L"PICK", 0, 0));
    EXPECT_EQ(RESULT(r, ModuleInformationSetProp, (L"PICK", 0, 1, 0, L"locked", L"tester")), 1);
    const ModuleInfo pick = r.Info(L"PICK");
    EXPECT_EQ(std::make_tuple(pick.readOnly, pick.hidden, pick.comment, pick.user),
              std::make_tuple(1, 0, std::wstring(L"locked"), std::wstring(L"tester")));
    EXPECT_EQ(RESULT(r, OCEditChange, (0, L"PICK", 2, L"  ; mine")), 0) << "read-only";
    r.Done(r.link.ModuleInformationSetProp(L"PICK", 0, 0, 0, L"", L""));
    EXPECT_EQ(RESULT(r, ModuleInformationSetUserAttribute, (L"PICK", L"owner", L"cell 7")), 1);
    std::wstring value;
    EXPECT_EQ(RESULT(r, ModuleInformationGetUserAttribute, (L"PICK", L"OWNER"), value), 1);
    EXPECT_EQ(value, L"cell 7");
    StringArray names, values;
    RESULT(r, ModuleInformationUserAttributesList, (L"PICK"), names, values);
    EXPECT_EQ(std::make_pair(names, values), std::make_pair(StringArray{L"OWNER"}, StringArray{L"cell 7"}));
    EXPECT_EQ(RESULT(r, ModuleInformationSetUserAttribute, (L"PICK", L"Owner", L"")), 1);
    EXPECT_EQ(Rig::Heard(r.link.NotifyModuleInformationResult, watch),
              (std::vector<std::uint32_t>{0, change::kProperties, change::kProperties, change::kUserAttr,
                                          change::kUserAttr}));

    StringArray deps;
    RESULT(r, ModuleDependenciesList, (L"PICK"), deps);
    EXPECT_EQ(deps, StringArray{L"USER:/R1/LIB/GRIP.SRC"});
    EXPECT_EQ(RESULT(r, ItemLink, (L"PICK")), 1);
    EXPECT_EQ(r.Info(L"PICK").linked, 1);
    EXPECT_EQ(RESULT(r, ItemUnlink, (L"PICK")), 1);
    EXPECT_EQ(RESULT(r, ItemUnlink, (L"PICK")), 0) << "not linked";
    r.Done(r.link.OCEditInsert(0, L"PICK", 6, L"  MISSING ( )"));
    RESULT(r, ModuleDependenciesList, (L"PICK"), deps);
    EXPECT_EQ(deps, (StringArray{L"USER:/R1/LIB/GRIP.SRC", L"MISSING (not found)"}));
    EXPECT_EQ(RESULT(r, ItemLink, (L"PICK")), 0);
    StringArray modules, texts;
    DWordArray lines, columns, numbers;
    RESULT(r, ErrorList, (L"PICK"), modules, lines, columns, numbers, texts);
    EXPECT_EQ(numbers, DWordArray{2100});
    EXPECT_EQ(r.Info(L"PICK").linked, 0);
}

TEST(SimFilemanErrors, AnalyserErrorsReachTheErrorListAndTheModuleInformation) {
    Rig r;
    r.Done(r.link.ItemCreate(L"USER:/R1", L"CHECK", EItemType{1}, EModulePart{1}, L"", 0));
    EXPECT_EQ(RESULT(r, OCEditInsertBlock, (0, L"CHECK", 2, {L"  WAIT 5", L"  FROB"})), 1);
    EXPECT_EQ(RESULT(r, ItemAnalyse, (L"CHECK")), 0);
    EXPECT_TRUE(r.Logged(L"1300: USER:/R1/CHECK.SRC: 2 error(s)"));
    StringArray modules, texts;
    DWordArray lines, columns, numbers;
    EXPECT_EQ(RESULT(r, ErrorList, (L"CHECK"), modules, lines, columns, numbers, texts), 1);
    EXPECT_EQ(modules, (StringArray{L"USER:/R1/CHECK.SRC", L"USER:/R1/CHECK.SRC"}));
    EXPECT_EQ(lines, (DWordArray{2, 3}));
    EXPECT_EQ(numbers, (DWordArray{2014, 2003}));
    EXPECT_EQ(texts, (StringArray{L"line 2: SEC expected", L"line 3: unknown statement"}));
    std::wstring module, text;
    std::int32_t line = 0, column = 0, number = 0;
    EXPECT_EQ(RESULT(r, ErrorGetProp, (L"CHECK", 2), module, line, column, number, text), 1);
    EXPECT_EQ(std::vector<std::int64_t>({line, column, number}), (std::vector<std::int64_t>{3, 3, 2003}));
    EXPECT_EQ(text, L"unknown statement");
    EXPECT_EQ(RESULT(r, ErrorGetProp, (L"CHECK", 3), module, line, column, number, text), 0);
    const ModuleInfo bad = r.Info(L"CHECK");
    EXPECT_EQ(std::vector<std::int64_t>({bad.errors, bad.clean, bad.codeState}), (std::vector<std::int64_t>{2, 0, 3}));
    RESULT(r, ErrorList, (L""), modules, lines, columns, numbers, texts);
    EXPECT_EQ(modules.size(), 2u) << "every module's errors";

    r.Done(r.link.OCEditDeleteBlock(0, L"CHECK", 2, 2));
    EXPECT_EQ(RESULT(r, ItemAnalyse, (L"CHECK")), 1);
    RESULT(r, ErrorList, (L""), modules, lines, columns, numbers, texts);
    EXPECT_TRUE(modules.empty());
    EXPECT_EQ(r.Info(L"CHECK").codeState, 2);

    EXPECT_EQ(RESULT(r, AnalyseMode, (1)), 1);
    r.Done(r.link.OCEditInsert(0, L"CHECK", 2, L"  FROB"));
    RESULT(r, ErrorList, (L"CHECK"), modules, lines, columns, numbers, texts);
    EXPECT_EQ(numbers, DWordArray{2003}) << "analysed as the lines change";
    r.Done(r.link.OCEditDelete(0, L"CHECK", 2));
    RESULT(r, ErrorList, (L"CHECK"), modules, lines, columns, numbers, texts);
    EXPECT_TRUE(numbers.empty());
}

TEST(SimFilemanErrors, AnInfoWatchHearsAModuleTurnFaultyAndCleanAgain) {
    Rig r;
    const auto watch = r.Done(r.link.NotifyModuleInformation(L"PICK", change::kAnalysed, 0));
    r.Done(r.link.OCEditChange(0, L"PICK", 5, L"  GRIP ( 1"));
    EXPECT_EQ(RESULT(r, ItemAnalyse, (L"PICK")), 0);
    EXPECT_EQ(Rig::Heard(r.link.NotifyModuleInformationResult, watch),
              (std::vector<std::uint32_t>{0, change::kAnalysed}));
    r.Done(r.link.OCEditChange(0, L"PICK", 5, L"  GRIP ( 1 )"));
    EXPECT_EQ(RESULT(r, ItemAnalyse, (L"PICK")), 1);
    EXPECT_EQ(Rig::Heard(r.link.NotifyModuleInformationResult, watch), (std::vector<std::uint32_t>{change::kAnalysed}));
}

TEST(SimFilemanExec, ItemRunRunsAModuleAsAProgramReportingEachLine) {
    Rig r;
    r.Done(r.link.ItemCopySrcMem(Literal("DEF TOUR ( )\0  PTP P1\0  ; over the top\0  LIN P3\0END\0"), L"RAM:/TOUR.SRC",
                                 0));
    const auto run = r.Done(r.link.ItemRun(L"TOUR", L"", 0));
    EXPECT_EQ(r.TypesOf(run), (std::vector<int>{0, 400, 400, 400}));
    EXPECT_EQ(r.link.ItemRunResult(run), 1);
    std::vector<std::pair<std::int16_t, std::wstring>> steps;
    std::int16_t percent = 0;
    std::wstring text;
    while (r.link.GetProgressInfo(run, percent, text) == 1) steps.emplace_back(percent, text);
    EXPECT_EQ(steps,
              (std::vector<std::pair<std::int16_t, std::wstring>>{{33, L"PTP P1"}, {66, L"LIN P3"}, {100, L"END"}}));
    EXPECT_EQ(r.Show(L"$POS_ACT"), *PointText(L"P3"));
    EXPECT_EQ(r.Show(L"$PRO_STATE"), L"#P_END");
    std::wstring active;
    RESULT(r, GetActiveModule, (L""), active);
    EXPECT_EQ(active, L"RAM:/TOUR.SRC");
    EXPECT_EQ(r.Info(L"RAM:/TOUR").selected, 1);

    EXPECT_EQ(RESULT(r, ItemStop, (L"TOUR")), 0) << "not running";
    EXPECT_EQ(RESULT(r, ItemStart, (L"DEMO")), 0) << "not the selected module";
    EXPECT_EQ(RESULT(r, ItemReset, (L"RAM:/TOUR.SRC")), 1);
    const auto start = r.Done(r.link.ItemStart(L""));
    EXPECT_EQ(r.TypesOf(start), (std::vector<int>{0, 400, 400, 400}));

    r.Done(r.link.OCEditInsert(0, L"RAM:/TOUR", 2, L"  FROB"));
    const auto refused = r.Done(r.link.ItemRun(L"TOUR", L"", 0));
    EXPECT_EQ(r.TypesOf(refused), std::vector<int>{0}) << "analysed first: nothing runs";
    EXPECT_EQ(r.link.ItemRunResult(refused), 0);
}

TEST(SimFilemanMotion, RobMoveReportsProgressAndEndsWherePosActSays) {
    Rig r;
    const auto move = r.Done(r.link.RobMovePTP(L"p1"));
    EXPECT_EQ(r.TypesOf(move), (std::vector<int>{400, 400, 400, 400, 0}));
    std::vector<std::int16_t> percents;
    std::int16_t percent = 0;
    std::wstring text;
    while (r.link.GetProgressInfo(move, percent, text) == 1) percents.push_back(percent);
    EXPECT_EQ(percents, (std::vector<std::int16_t>{25, 50, 75, 100}));
    EXPECT_EQ(r.link.RobMoveResult(move), 1);
    EXPECT_EQ(r.Show(L"$POS_ACT"), *PointText(L"P1"));
    EXPECT_EQ(r.link.RobMoveResult(r.Done(r.link.RobMoveLIN_REL(L"{Z 50, A -10}"))), 1);
    EXPECT_EQ(r.Show(L"$POS_ACT"), L"{X 600.0, Y -200.0, Z 500.0, A -10.0, B 90.0, C 0.0}");
    EXPECT_EQ(r.link.RobMoveResult(r.Done(r.link.RobMoveLIN(L"NOWHERE"))), 0);
    EXPECT_TRUE(r.Logged(L"[RobMoveLIN/] 1300: No point or frame 'NOWHERE'"));
    RESULT(r, SetVar, (L"$MODE_OP", L"#EX"));
    EXPECT_EQ(r.link.RobMoveResult(r.Done(r.link.RobMovePTP(L"HOME"))), 0);
    EXPECT_EQ(r.Show(L"$POS_ACT"), L"{X 600.0, Y -200.0, Z 500.0, A -10.0, B 90.0, C 0.0}");
}

TEST(SimFilemanLog, AnItemComesBackWithEveryValueInOrder) {
    Rig r;
    std::int32_t number = 0;
    ASSERT_EQ(RESULT(r, LogAddItem,
                     (L"Panel", L"Drive", 1234, 3, L"one", L"two", L"three", {L"p1", L"p2"}, {true, false}, L"mark",
                      ELogClass{4}, ELogType{5}),
                     number),
              1);
    EXPECT_GT(number, 0);
    std::int32_t got = 0, kind = -1;
    CFileTime time;
    std::wstring origin, module, t1, t2, t3, marker;
    std::uint32_t code = 0;
    std::int16_t level = 0;
    StringArray params;
    BoolArray flags;
    ELogClass logClass{};
    ELogType logType{};
    const auto get = [&](std::int32_t n) {
        return RESULT(r, LogOCGetItem, (n), got, time, kind, origin, module, code, level, t1, t2, t3, params, flags,
                      marker, logClass, logType);
    };
    ASSERT_EQ(get(number), 1);
    EXPECT_EQ(std::vector<std::int64_t>({got, kind, code, level, logClass, logType}),
              (std::vector<std::int64_t>{number, 0, 1234, 3, 4, 5}));
    EXPECT_EQ((StringArray{origin, module, t1, t2, t3, marker}),
              (StringArray{L"Panel", L"Drive", L"one", L"two", L"three", L"mark"}));
    EXPECT_EQ(params, (StringArray{L"p1", L"p2"}));
    EXPECT_EQ(flags, (BoolArray{true, false}));
    EXPECT_GE(time.GetTime(), CFileTime::FromUnixMillis(0).GetTime());
    EXPECT_EQ(get(number + 1), 0);
    r.Done(r.link.AddLogEntry(L"Cell", L"", 7, 1, L"entry", L"", L"", 0, L"", ELogClass{2}));
    ASSERT_EQ(get(number + 1), 1);
    EXPECT_EQ(kind, 1);
    EXPECT_EQ(t1, L"entry");
    EXPECT_TRUE(params.empty());
}

TEST(SimFilemanLog, EveryGroupsFailedJobsLeaveTheirReasonInTheLog) {
    Rig r;
    std::wstring text;
    StringArray lines;
    EXPECT_EQ(RESULT(r, Dir, (L"NOVOL:/", L""), text), 0);
    EXPECT_EQ(RESULT(r, ItemDestroy, (L"USER:/NOPE.SRC", 0)), 0);
    EXPECT_EQ(RESULT(r, OCEditChange, (0, L"DEMO", 99, L"X")), 0);
    EXPECT_EQ(RESULT(r, ModuleCodeGetLines, (4711, 1, 1), lines), 0);
    EXPECT_EQ(RESULT(r, ModuleInformationGetUserAttribute, (L"DEMO", L"OWNER"), text), 0);
    const StringArray log = r.Log();
    ASSERT_EQ(log.size(), 5u);
    const std::vector<std::pair<std::wstring, std::wstring>> expected{
        {L"[Dir/] 1300: ", L"NOVOL:/"},
        {L"[ItemDestroy/] 1300: ", L"USER:/NOPE.SRC"},
        {L"[OCEditChange/] 1300: ", L"99"},
        {L"[ModuleCodeGetLines/] 1300: ", L"4711"},
        {L"[ModuleInformationGetUserAttribute/] 1300: ", L"OWNER"}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto at = log[i].find(expected[i].first);
        ASSERT_NE(at, std::wstring::npos) << log[i];
        EXPECT_NE(log[i].find(expected[i].second, at), std::wstring::npos) << log[i];
    }
}

TEST(SimFilemanFiles, DirCopyAccessAndDeleteAsAnItemWatchHearsThem) {
    Rig r;
    std::wstring listing;
    EXPECT_EQ(RESULT(r, Dir, (L"USER:/R1", L"*.src"), listing), 1);
    EXPECT_EQ(listing.rfind(L"Directory of USER:/R1\n", 0), 0u) << listing;
    EXPECT_EQ(std::count(listing.begin(), listing.end(), L'\n'), 4);
    EXPECT_NE(listing.find(L"3 item(s)"), std::wstring::npos);

    const auto watch = r.Done(r.link.NotifyItem(L"RAM:/DEMO.SRC", 0, 0));
    EXPECT_EQ(RESULT(r, Copy, (L"USER:/R1/DEMO.SRC", L"RAM:/", L"")), 1);
    EXPECT_EQ(RESULT(r, Copy, (L"USER:/R1/PICK.SRC", L"RAM:/DEMO.SRC", L"n")), 0);
    EXPECT_EQ(RESULT(r, ChangeAccess, (L"RAM:/DEMO.SRC", L"R")), 1);
    EXPECT_EQ(RESULT(r, Delete, (L"RAM:/DEMO.SRC", L"")), 0) << "read-only";
    EXPECT_EQ(RESULT(r, ChangeAccess, (L"RAM:/DEMO.SRC", L"rw")), 1);
    EXPECT_EQ(RESULT(r, ChangeUser, (L"RAM:/DEMO.SRC", std::wstring(33, L'u'))), 0);
    EXPECT_EQ(RESULT(r, ChangeComment, (L"RAM:/DEMO.SRC", L"a copy")), 1);
    EXPECT_EQ(r.Info(L"RAM:/DEMO").comment, L"a copy");
    EXPECT_EQ(RESULT(r, ChangeAccess, (L"SYSTEM:/CONFIG/CELL.INI", L"RW")), 0);
    EXPECT_EQ(RESULT(r, Delete, (L"RAM:/DEMO.SRC", L"")), 1);
    EXPECT_EQ(Rig::Heard(r.link.NotifyItemResult, watch),
              (std::vector<std::uint32_t>{0, change::kCreated, change::kProperties, change::kProperties,
                                          change::kProperties, change::kDestroyed}));

    EXPECT_EQ(RESULT(r, Copy, (L"USER:/R1", L"RAM:/", L"")), 1);
    EXPECT_EQ(RESULT(r, Delete, (L"RAM:/R1", L"")), 0) << "a folder needs R";
    EXPECT_EQ(RESULT(r, Delete, (L"RAM:/R1", L"R")), 1);
}

TEST(SimFilemanVolumes, PropertiesLabelAndFormatWithTheirWatches) {
    Rig r;
    const auto props = [&](const std::wstring& volume) {
        std::wstring label;
        EVolumeType type{};
        std::int32_t capacity = 0, used = 0, free = 0;
        EXPECT_EQ(RESULT(r, VolumeGetProp, (volume), label, type, capacity, used, free), 1);
        EXPECT_EQ(used + free, capacity);
        return std::make_pair(label, std::vector<std::int64_t>{type, capacity, used});
    };
    EXPECT_EQ(props(L"RAM:"), std::make_pair(std::wstring(L"Memory disk"), std::vector<std::int64_t>{2, 16 << 20, 0}));
    const auto volume = r.Done(r.link.NotifyVolume(L"RAM:", 0, 0));
    const auto item = r.Done(r.link.NotifyItem(L"RAM:/PICK.SRC", 0, 0));
    r.Done(r.link.Copy(L"USER:/R1/PICK.SRC", L"RAM:/", L""));
    EXPECT_GT(props(L"RAM").second[2], 0);

    const std::int32_t open = r.Open(L"RAM:/PICK", 0);
    EXPECT_EQ(RESULT(r, VolumeFormat, (L"RAM:", L"Fresh", 1)), 0) << "a module is open";
    r.Close(open, 1);
    EXPECT_EQ(RESULT(r, VolumeFormat, (L"RAM:", L"Fresh", 1)), 1);
    EXPECT_EQ(props(L"RAM:"), std::make_pair(std::wstring(L"Fresh"), std::vector<std::int64_t>{2, 16 << 20, 0}));
    EXPECT_EQ(RESULT(r, VolumeFormat, (L"SYSTEM:", L"", 0)), 0);
    EXPECT_EQ(RESULT(r, VolumeSetName, (L"CARD:", std::wstring(33, L'c'))), 0);
    EXPECT_EQ(RESULT(r, VolumeSetName, (L"RAM:", L"Scratch")), 1);
    EXPECT_EQ(Rig::Heard(r.link.NotifyVolumeResult, volume),
              (std::vector<std::uint32_t>{0, change::kCreated, change::kOpened, change::kOpened, change::kFormatted,
                                          change::kVolumeName}));
    EXPECT_EQ(Rig::Heard(r.link.NotifyItemResult, item),
              (std::vector<std::uint32_t>{0, change::kCreated, change::kFormatted}));
}

TEST(SimFilemanHost, DownLoadAndUpLoadStayInsideTheHostFolder) {
    TempFolder temp;
    const fs::path host = temp.path / "host";
    fs::create_directories(host);
    std::ofstream(host / "prog.src", std::ios::binary) << "DEF HOSTED ( )\r\n  PTP P2\r\nEND";
    std::ofstream(temp.path / "secret.txt", std::ios::binary) << "outside";
    Rig r(host);
    EXPECT_EQ(RESULT(r, DownLoad, (L"prog.src", L"RAM:/", L"")), 1);
    ByteArray bytes;
    RESULT(r, ItemCopyDestMem, (L"RAM:/PROG.SRC", 0), bytes);
    EXPECT_EQ(bytes, Literal("DEF HOSTED ( )\0  PTP P2\0END\0"));
    EXPECT_EQ(RESULT(r, ItemAnalyse, (L"RAM:/PROG")), 1);
    EXPECT_EQ(RESULT(r, DownLoad, (L"prog.src", L"RAM:/PROG.SRC", L"N")), 0) << "kept";
    EXPECT_EQ(RESULT(r, DownLoad, (L"missing.src", L"", L"")), 0);

    EXPECT_EQ(RESULT(r, UpLoad, (L"RAM:/PROG.SRC", L"out/", L"")), 1);
    const std::string uploaded = Slurp(host / "out" / "prog.src");
    EXPECT_EQ(uploaded, "DEF HOSTED ( )\n  PTP P2\nEND\n");
    EXPECT_EQ(r.Crc(L"RAM:/PROG.SRC"), Crc32(Block(uploaded)));
    const std::uint32_t crc = r.Crc(L"RAM:/PROG.SRC");
    r.Done(r.link.OCEditChange(0, L"RAM:/PROG", 2, L"  PTP P3"));
    EXPECT_NE(r.Crc(L"RAM:/PROG"), crc);
    EXPECT_EQ(RESULT(r, UpLoad, (L"RAM:/PROG.SRC", L"out/prog.src", L"n")), 0);
    EXPECT_EQ(Slurp(host / "out" / "prog.src"), uploaded);
    r.Done(r.link.OCEditChange(0, L"RAM:/PROG", 2, L"  PTP P2"));
    EXPECT_EQ(r.Crc(L"RAM:/PROG"), crc) << "the same content, the same CRC";
    EXPECT_EQ(RESULT(r, UpLoad, (L"DEMO", L"", L"")), 1);
    EXPECT_EQ(RESULT(r, UpLoad, (L"USER:/R1/DEMO.DAT", L"", L"")), 1);
    EXPECT_EQ(r.Crc(L"DEMO", 1), Crc32(Block(Slurp(host / "DEMO.SRC") + Slurp(host / "DEMO.DAT"))));

    EXPECT_EQ(RESULT(r, UpLoad, (L"USER:/README.TXT", L"../escaped.txt", L"")), 0);
    EXPECT_EQ(RESULT(r, UpLoad, (L"USER:/README.TXT", L"out/../../escaped.txt", L"")), 0);
    EXPECT_FALSE(fs::exists(temp.path / "escaped.txt"));
    EXPECT_TRUE(r.Logged(L"[UpLoad/] 1300: Host file '../escaped.txt'"));
    EXPECT_EQ(RESULT(r, DownLoad, (L"../secret.txt", L"RAM:/", L"")), 0);
    EXPECT_EQ(r.Names(L"RAM:/"), StringArray{L"prog.src"});
    EXPECT_EQ(Slurp(temp.path / "secret.txt"), "outside");
}

TEST(SimFilemanHost, WriteLogFileWritesTheTraceOfTheCalls) {
    TempFolder temp;
    Rig r(temp.path / "host");
    const auto h = r.Done(r.link.ItemGetCRC(L"DEMO", 0));
    std::uint32_t crc = 0;
    r.link.ItemGetCRCResult(h, crc);
    EXPECT_EQ(r.link.WriteLogFile(L"trace.log"), 1);
    const std::string trace = Slurp(temp.path / "host" / "trace.log");
    EXPECT_NE(trace.find("ItemGetCRC -> " + std::to_string(h) + "\n"), std::string::npos) << trace;
    EXPECT_NE(trace.find("ItemGetCRCResult -> 1\n"), std::string::npos) << trace;
    EXPECT_EQ(r.link.WriteLogFile(L""), 1);
    EXPECT_TRUE(fs::exists(temp.path / "host" / "vantel-link.log"));
    EXPECT_EQ(r.link.WriteLogFile(L"../trace.log"), 0);
    EXPECT_FALSE(fs::exists(temp.path / "trace.log"));
}

}  // namespace
}  // namespace vantel::link::sim
