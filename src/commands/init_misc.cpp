// The menus "Ini&t" and "Diver&ses" (its "&Log" submenu is placed here and filled by the log commands).
#include "commands/init_misc.h"

#include <array>
#include <span>

#include "commands/catalogue.h"
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
    c.Slots().ClearAll();
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

int AsyncConfirmDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"AsyncConfirm o.k."; return c.Link().AsyncConfirmResult(h); }
int AsyncAnswerDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"AsyncAnswer o.k."; return c.Link().AsyncAnswerResult(h); }
int MessageBufferDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"GetMessageBuffer o.k."; return c.Link().GetMessageBufferResult(h); }
int DisableStartDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"DisableStart o.k."; return c.Link().DisableStartResult(h); }
int MaDaOkDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"Edit MaDaOk o.k."; return c.Link().EditMaDaOkResult(h); }
int VDXOkDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"VDX o.k."; return c.Link().VDXOkResult(h); }
int AkkuOffDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"Akku Off o.k."; return c.Link().AkkuOffResult(h); }
int PowerOffDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"Power Off o.k."; return c.Link().PowerOffResult(h); }
int IORestartDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"IO Restart o.k."; return c.Link().IORestartResult(h); }
int IOBusInfoDone(CConsole& c, std::int16_t h, std::wstring& m) {
    std::int32_t info = 0;
    const int r = c.Link().IOBusInfoResult(h, info);
    m = Format(L"IO Bus Info %ld", info);
    return r;
}
int GetActiveDone(CConsole& c, std::int16_t h, std::wstring& m) {
    std::int32_t active = 0;
    const int r = c.Link().GetActiveInterfaceResult(h, active);
    m = Format(L"GetActiveInterface %d", active);
    return r;
}
int SetActiveDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"SetActiveInterface o.k."; return c.Link().SetActiveInterfaceResult(h); }
int NotifyActiveDone(CConsole& c, std::int16_t h, std::wstring& m) {
    std::int32_t active = 0;
    const int r = c.Link().NotifyActiveInterfaceResult(h, active);
    m = Format(L"NotifyActiveInterface %d", active);
    return r;
}
int TandixDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"Tandix o.k."; return c.Link().TandixResult(h); }
int TandixGetConfigDone(CConsole& c, std::int16_t h, std::wstring& m) {
    std::int32_t config = 0;
    const int r = c.Link().TandixGetConfigResult(h, config);
    m = Format(L"Tandix GetConfig %d", config);
    return r;
}
int TandixSetConfigDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"Tandix SetConfig o.k."; return c.Link().TandixSetConfigResult(h); }

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
