// The menus "Ini&t" and "Diver&ses" (its "&Log" submenu is placed here and filled by the log commands).
#include "commands/init_misc.h"

#include <array>
#include <span>

#include "commands/catalogue.h"
#include "commands/result_rows.h"
#include "jobs/console.h"
#include "jobs/convert.h"
#include "jobs/messages.h"

namespace vantel {

int ConfirmDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"Confirm o.k."; return c.Link().ConfirmResult(h); }

namespace {

// Handles of controller messages are shown in hexadecimal, so they are typed that way.
std::uint32_t Hex(const CConsole& c, int field) { return ScanField<std::uint32_t>(c.Param(field), L"%lx"); }
std::int16_t Short(const CConsole& c, int field) { return ScanField<std::int16_t>(c.Param(field), L"%hd"); }
std::int32_t OneFlag(const CConsole& c, int field) { return FieldEquals(c.Param(field), L"1") ? 1 : 0; }

// Every pending job is forgotten: a late result finds no slot.
void InitDirect(CConsole& c) {
    c.Link().Init(L"Vantel", L"", WM_PLEXA, c.Window(), 0, 0);
    c.ClearAllSlots();
}
// The slots stay as they are: a busy command keeps refusing until "&Init" or a notification frees it.
void ExitDirect(CConsole& c) { c.Link().Exit(); }
void GetRobotsDirect(CConsole& c) {
    std::wstring robots;
    if (c.Link().GetRobots(robots) != 0) c.ShowMessage(robots);
}
// The link answers with a type-2 notification, which frees whatever slot holds the handle.
void AbortDirect(CConsole& c) { c.Link().CmdAbort(Short(c, 1)); }

std::int16_t AsyncConfirmRequest(CConsole& c) { return c.Link().AsyncConfirm(Hex(c, 1)); }
std::int16_t AsyncAnswerRequest(CConsole& c) { return c.Link().AsyncAnswer(Hex(c, 1), Short(c, 2)); }
std::int16_t ConfirmRequest(CConsole& c) { return c.Link().Confirm(Short(c, 1)); }
std::int16_t MessageBufferRequest(CConsole& c) { return c.Link().GetMessageBuffer(); }
// Only an exact "+" lifts the inhibit.
std::int16_t DisableStartRequest(CConsole& c) { return c.Link().DisableStart(FieldEquals(c.Param(1), L"+") ? 0 : 1, c.Param(2)); }
std::int16_t MaDaOkRequest(CConsole& c) { return c.Link().EditMaDaOk(); }
std::int16_t VDXOkRequest(CConsole& c) { return c.Link().VDXOk(); }
std::int16_t AkkuOffRequest(CConsole& c) { return c.Link().AkkuOff(); }
std::int16_t PowerOffRequest(CConsole& c) { return c.Link().PowerOff(); }
std::int16_t IORestartRequest(CConsole& c) { return c.Link().IORestart(Short(c, 1)); }
std::int16_t IOBusInfoRequest(CConsole& c) { return c.Link().IOBusInfo(); }
std::int16_t GetActiveRequest(CConsole& c) { return c.Link().GetActiveInterface(); }
std::int16_t SetActiveRequest(CConsole& c) { return c.Link().SetActiveInterface(OneFlag(c, 1)); }
std::int16_t NotifyActiveRequest(CConsole& c) { return c.Link().NotifyActiveInterface(); }
std::int16_t TandixRequest(CConsole& c) {
    return c.Link().Tandix(static_cast<link::ETandix>(ScanField<std::int32_t>(c.Param(1), L"%ld")));
}
std::int16_t TandixGetConfigRequest(CConsole& c) { return c.Link().TandixGetConfig(); }
std::int16_t TandixSetConfigRequest(CConsole& c) { return c.Link().TandixSetConfig(OneFlag(c, 1)); }

constexpr ResultFn AsyncConfirmDone = FixedResult<L"AsyncConfirm o.k.", &link::CPlexa::AsyncConfirmResult>;
constexpr ResultFn AsyncAnswerDone = FixedResult<L"AsyncAnswer o.k.", &link::CPlexa::AsyncAnswerResult>;
constexpr ResultFn MessageBufferDone = FixedResult<L"GetMessageBuffer o.k.", &link::CPlexa::GetMessageBufferResult>;
constexpr ResultFn DisableStartDone = FixedResult<L"DisableStart o.k.", &link::CPlexa::DisableStartResult>;
constexpr ResultFn MaDaOkDone = FixedResult<L"Edit MaDaOk o.k.", &link::CPlexa::EditMaDaOkResult>;
constexpr ResultFn VDXOkDone = FixedResult<L"VDX o.k.", &link::CPlexa::VDXOkResult>;
constexpr ResultFn AkkuOffDone = FixedResult<L"Akku Off o.k.", &link::CPlexa::AkkuOffResult>;
constexpr ResultFn PowerOffDone = FixedResult<L"Power Off o.k.", &link::CPlexa::PowerOffResult>;
constexpr ResultFn IORestartDone = FixedResult<L"IO Restart o.k.", &link::CPlexa::IORestartResult>;
constexpr ResultFn IOBusInfoDone = ValueResult<L"IO Bus Info %ld", &link::CPlexa::IOBusInfoResult>;
constexpr ResultFn GetActiveDone = ValueResult<L"GetActiveInterface %d", &link::CPlexa::GetActiveInterfaceResult>;
constexpr ResultFn SetActiveDone = FixedResult<L"SetActiveInterface o.k.", &link::CPlexa::SetActiveInterfaceResult>;
constexpr ResultFn NotifyActiveDone = ValueResult<L"NotifyActiveInterface %d", &link::CPlexa::NotifyActiveInterfaceResult>;
constexpr ResultFn TandixDone = FixedResult<L"Tandix o.k.", &link::CPlexa::TandixResult>;
constexpr ResultFn TandixGetConfigDone = ValueResult<L"Tandix GetConfig %d", &link::CPlexa::TandixGetConfigResult>;
constexpr ResultFn TandixSetConfigDone = FixedResult<L"Tandix SetConfig o.k.", &link::CPlexa::TandixSetConfigResult>;

constexpr auto I = RowKind::Item;
constexpr auto Sep = RowKind::Separator;
constexpr auto Sub = RowKind::Submenu;
constexpr auto Clear = SlotUse::Clear;
constexpr auto Keep = SlotUse::Keep;

constexpr std::array<CommandRow, 32> kRows = {{
    // kind id     path                                    slot                         busy   use    request                 direct           result
    {I,    32810, L"Ini&t/&Init",                         kNoSlot,                     false, Clear, nullptr,                InitDirect,      nullptr},
    {I,    32811, L"Ini&t/&Exit",                         kNoSlot,                     false, Clear, nullptr,                ExitDirect,      nullptr},
    {Sep,  0,     L"Ini&t",                               kNoSlot,                     false, Clear, nullptr,                nullptr,         nullptr},
    {I,    32701, L"Ini&t/&GetRobots",                    kNoSlot,                     false, Clear, nullptr,                GetRobotsDirect, nullptr},

    {I,    32919, L"Diver&ses/&Async Confirm",            slot::AsyncConfirm,          true,  Clear, AsyncConfirmRequest,    nullptr,         AsyncConfirmDone},
    {I,    32920, L"Diver&ses/Async Ans&wer",             slot::AsyncAnswer,           true,  Clear, AsyncAnswerRequest,     nullptr,         AsyncAnswerDone},
    {I,    32702, L"Diver&ses/&Confirm",                  slot::Confirm,               true,  Clear, ConfirmRequest,         nullptr,         ConfirmDone},
    {I,    32908, L"Diver&ses/&Get Message Buffer",       slot::GetMessageBuffer,      true,  Clear, MessageBufferRequest,   nullptr,         MessageBufferDone},
    {Sep,  0,     L"Diver&ses",                           kNoSlot,                     false, Clear, nullptr,                nullptr,         nullptr},
    {I,    32806, L"Diver&ses/A&bort",                    kNoSlot,                     false, Clear, nullptr,                AbortDirect,     nullptr},
    {Sep,  0,     L"Diver&ses",                           kNoSlot,                     false, Clear, nullptr,                nullptr,         nullptr},
    {I,    32841, L"Diver&ses/&Disable Start",            slot::DisableStart,          true,  Clear, DisableStartRequest,    nullptr,         DisableStartDone},
    {Sep,  0,     L"Diver&ses",                           kNoSlot,                     false, Clear, nullptr,                nullptr,         nullptr},
    {I,    32809, L"Diver&ses/&Masch.Dat o.k.",           slot::EditMaDaOk,            true,  Clear, MaDaOkRequest,          nullptr,         MaDaOkDone},
    {I,    32826, L"Diver&ses/&VDX o.k.",                 slot::VDXOk,                 true,  Clear, VDXOkRequest,           nullptr,         VDXOkDone},
    {Sep,  0,     L"Diver&ses",                           kNoSlot,                     false, Clear, nullptr,                nullptr,         nullptr},
    {I,    32813, L"Diver&ses/&Akku Off",                 slot::AkkuOff,               true,  Clear, AkkuOffRequest,         nullptr,         AkkuOffDone},
    {I,    32891, L"Diver&ses/&Power Off",                slot::PowerOff,              true,  Clear, PowerOffRequest,        nullptr,         PowerOffDone},
    {Sep,  0,     L"Diver&ses",                           kNoSlot,                     false, Clear, nullptr,                nullptr,         nullptr},
    // These two overwrite their slot while busy; the first job's result then finds no slot.
    {I,    32823, L"Diver&ses/IO &Restart",               slot::IORestart,             false, Clear, IORestartRequest,       nullptr,         IORestartDone},
    {I,    32824, L"Diver&ses/IO &Bus Info",              slot::IOBusInfo,             false, Clear, IOBusInfoRequest,       nullptr,         IOBusInfoDone},
    {Sep,  0,     L"Diver&ses",                           kNoSlot,                     false, Clear, nullptr,                nullptr,         nullptr},
    {Sub,  0,     L"Diver&ses/&Active",                   kNoSlot,                     false, Clear, nullptr,                nullptr,         nullptr},
    {I,    32902, L"Diver&ses/&Active/&Get",              slot::GetActiveInterface,    true,  Clear, GetActiveRequest,       nullptr,         GetActiveDone},
    {I,    32903, L"Diver&ses/&Active/&Set",              slot::SetActiveInterface,    true,  Clear, SetActiveRequest,       nullptr,         SetActiveDone},
    {I,    32904, L"Diver&ses/&Active/&Notify",           slot::NotifyActiveInterface, true,  Keep,  NotifyActiveRequest,    nullptr,         NotifyActiveDone},
    {Sub,  0,     L"Diver&ses/&Log",                      kNoSlot,                     false, Clear, nullptr,                nullptr,         nullptr},
    {Sep,  0,     L"Diver&ses",                           kNoSlot,                     false, Clear, nullptr,                nullptr,         nullptr},
    {Sub,  0,     L"Diver&ses/&Tandix",                   kNoSlot,                     false, Clear, nullptr,                nullptr,         nullptr},
    {I,    32890, L"Diver&ses/&Tandix/&Tandix",           slot::Tandix,                true,  Clear, TandixRequest,          nullptr,         TandixDone},
    {I,    32914, L"Diver&ses/&Tandix/&Get Config",       slot::TandixGetConfig,       true,  Clear, TandixGetConfigRequest, nullptr,         TandixGetConfigDone},
    {I,    32915, L"Diver&ses/&Tandix/&Set Config",       slot::TandixSetConfig,       true,  Clear, TandixSetConfigRequest, nullptr,         TandixSetConfigDone},
}};

}  // namespace

std::span<const CommandRow> InitMiscRows() { return kRows; }

}  // namespace vantel
