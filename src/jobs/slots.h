// Job slots: which pending job belongs to which command.
#pragma once
#include <array>
#include <cstdint>

namespace vantel {

inline constexpr int kShowTableSize = 100;
inline constexpr int kNoSlot = -1;

// The block of job slots by number, each named after the request whose handle it holds.
// Unused3, Unused4 and Unused129 are never filled.
namespace slot {
enum : int {
    Dir, DownLoad, UpLoad, Unused3, Unused4, Delete, Copy, ChangeAccess, ChangeUser, ChangeComment,
    DPShowVar, DPSetVar, DPSetInfo, ShowVar, SetVar, SetInfo, Run, Select, Start, StartOff,
    Stop, StopOff, Reset, Cancel, AsyncConfirm, AsyncAnswer, Confirm, GetMessageBuffer, OCEditInsert, OCEditInsertBlock,
    OCEditChange, OCEditRedecl, OCEditDelete, EditOpen, EditClose, OCEditDeleteBlock, EditInsert, EditChange, EditRedecl, EditDelete,
    EditPrint, EditDescrMode, EditMaDaOk, EditAnalyse, AkkuOff, PowerOff, VDXOk, Tandix, TandixGetConfig, TandixSetConfig,
    Install, EndInstall, Adjust, IORestart, IOBusInfo, Move, MoveOff, Move6D, Move6DOff, RobMovePTP,
    RobMoveLIN, RobMovePTP_REL, RobMoveLIN_REL, DisableStart, EditExec, GetActiveModule, VolumeGetProp, VolumeSetName, VolumeFormat, VolumeNameList,
    GetFullName, GetVDXName, ItemGetProp, ItemGetCRC, ItemSetName, ItemSetAttribute, ItemNameList, ItemCreate, ItemDestroy, ItemCopy,
    ItemCopySrcMem, ItemCopyDestMem, ItemMove, ItemCompare, ItemLink, ItemUnlink, ItemSelect, ItemRun, ItemReset, ItemStart,
    ItemStop, ItemCancel, ItemAnalyse, AnalyseMode, ModuleCodeGetProp, ModuleCodeOpen, ModuleCodeClose, ModuleCodeGetLines, ModuleCodeInsertLines, ModuleCodeDeleteLines,
    ModuleCodeReplaceLines, ModuleCodeRedeclare, ModuleCodeFind, ModuleCodeFindStruct, ModuleCodeSelect, ModuleCodeSelectLine, ErrorGetProp, ErrorList, ModuleInformationGetProp, ModuleInformationSetProp,
    ModuleInformationGetUserAttribute, ModuleInformationSetUserAttribute, ModuleInformationUserAttributesList, ModuleDependenciesList, NotifyVolume, NotifyItem, NotifyModuleInformation, NotifyModuleCode, FlushLog, LogAddItem,
    LogOCGetItem, AddLogEntry, GetLogEntries, GetLogHeader, LogGetConfig, LogSetConfig, GetActiveInterface, SetActiveInterface, NotifyActiveInterface, Unused129,
    AbortTest, SilentShow, SilentSetInfo,
    Count
};
}  // namespace slot
inline constexpr int kSlotCount = slot::Count;
static_assert(slot::ShowVar == 13 && slot::DisableStart == 63 && slot::ItemCopy == 79 && slot::NotifyVolume == 114 &&
              slot::NotifyActiveInterface == 128);

// The order in which a result's handle is compared with the block, after the Show-variable
// table: test slots, the info subscriptions, the file-manager notifications, then the rest.
// The first match decides.
inline constexpr std::array<std::uint8_t, kSlotCount - 3> kResultSearchOrder = [] {
    std::array<std::uint8_t, kSlotCount - 3> order{};
    std::size_t n = 0;
    const auto add = [&](int first, int last) {
        for (int s = first; s <= last; ++s) order[n++] = static_cast<std::uint8_t>(s);
    };
    using namespace slot;
    add(AbortTest, SilentSetInfo);
    add(SetInfo, SetInfo);
    add(DPSetInfo, DPSetInfo);
    add(NotifyVolume, NotifyModuleCode);
    add(Dir, UpLoad);
    add(Delete, DPSetVar);
    add(ShowVar, SetVar);
    add(Run, Cancel);
    add(OCEditInsert, OCEditDelete);
    add(OCEditDeleteBlock, OCEditDeleteBlock);
    add(EditOpen, EditClose);
    add(EditInsert, EditMaDaOk);
    add(VDXOk, VDXOk);
    add(EditAnalyse, EditAnalyse);
    add(Tandix, TandixSetConfig);
    add(AkkuOff, PowerOff);
    add(Install, Adjust);
    add(AsyncConfirm, GetMessageBuffer);
    add(IORestart, IOBusInfo);
    add(EditExec, EditExec);
    add(DisableStart, DisableStart);
    add(Move, Move6DOff);
    add(GetActiveInterface, NotifyActiveInterface);
    add(RobMovePTP, RobMoveLIN_REL);
    add(GetActiveModule, ModuleDependenciesList);
    add(FlushLog, LogSetConfig);
    return order;
}();

// Every used slot exactly once.
constexpr bool CoversEveryUsedSlot(const auto& order) {
    std::array<int, kSlotCount> seen{};
    for (int s : order) ++seen[s];
    for (int s = 0; s < kSlotCount; ++s) {
        const bool unused = s == slot::Unused3 || s == slot::Unused4 || s == slot::Unused129;
        if (seen[s] != (unused ? 0 : 1)) return false;
    }
    return true;
}
static_assert(CoversEveryUsedSlot(kResultSearchOrder));

struct JobSlots {
    std::array<std::int16_t, kSlotCount> block{};
    std::array<std::int16_t, kShowTableSize> showTable{};

    void ClearAll() {
        block.fill(0);
        showTable.fill(0);
    }
    // Frees every slot and table entry that holds h.
    void ClearHandle(std::int16_t h) {
        for (auto& s : block)
            if (s == h) s = 0;
        for (auto& s : showTable)
            if (s == h) s = 0;
    }
};

}  // namespace vantel
