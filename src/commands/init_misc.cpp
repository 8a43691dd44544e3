// The menus "Ini&t" and "Diver&ses" (its "&Log" submenu is placed here and filled by the log commands).
#include "commands/init_misc.h"

#include <span>

#include "jobs/messages.h"

namespace vantel {
namespace {

using namespace field;
using namespace row;

// Every pending job is forgotten: a late result finds no slot.
void InitDirect(CConsole& c) {
    c.Link().Init(L"Vantel", L"", WM_PLEXA, c.Window(), 0, 0);
    c.ClearAllSlots();
}
constexpr auto kInitReads = Uses<&P::Init, FixedText<L"Vantel">, FixedText<L"">, Own<L"the console's notification message">,
                                 Own<L"the console's window">, Fixed<0>, Fixed<0>>;
// The slots stay as they are: a busy command keeps refusing until "&Init" or a notification frees it.
void ExitDirect(CConsole& c) { c.Link().Exit(); }
void GetRobotsDirect(CConsole& c) {
    std::wstring robots;
    if (c.Link().GetRobots(robots) != 0) c.ShowMessage(robots);
}
// The link answers with a type-2 notification, which frees whatever slot holds the handle.
void AbortDirect(CConsole& c) { c.Link().CmdAbort(Short<1>::Read(c)); }

// "&Disable Start": only an exact "+" lifts the inhibit.
// "IO &Restart" and "IO &Bus Info" overwrite their slot while busy; the first job's result
// then finds no slot.
constexpr CommandRow kRows[] = {
    Direct(32810, L"Ini&t/&Init",      InitDirect,      kInitReads),
    Direct(32811, L"Ini&t/&Exit",      ExitDirect,      Uses<&P::Exit>),
    Separator(L"Ini&t"),
    Direct(32701, L"Ini&t/&GetRobots", GetRobotsDirect, Uses<&P::GetRobots>),

    Item(32919, L"Diver&ses/&Async Confirm",      slot::AsyncConfirm,          Request<&P::AsyncConfirm, Hex<1>>,                    FixedResult<L"AsyncConfirm o.k.", &P::AsyncConfirmResult>),
    Item(32920, L"Diver&ses/Async Ans&wer",       slot::AsyncAnswer,           Request<&P::AsyncAnswer, Hex<1>, Short<2>>,           FixedResult<L"AsyncAnswer o.k.", &P::AsyncAnswerResult>),
    Item(32702, L"Diver&ses/&Confirm",            slot::Confirm,               Request<&P::Confirm, Short<1>>,                       ConfirmDone),
    Item(32908, L"Diver&ses/&Get Message Buffer", slot::GetMessageBuffer,      Request<&P::GetMessageBuffer>,                        FixedResult<L"GetMessageBuffer o.k.", &P::GetMessageBufferResult>),
    Separator(L"Diver&ses"),
    Direct(32806, L"Diver&ses/A&bort", AbortDirect, Uses<&P::CmdAbort, Short<1>>),
    Separator(L"Diver&ses"),
    Item(32841, L"Diver&ses/&Disable Start",      slot::DisableStart,          Request<&P::DisableStart, IsNot<1, L"+">, Text<2>>,   FixedResult<L"DisableStart o.k.", &P::DisableStartResult>),
    Separator(L"Diver&ses"),
    Item(32809, L"Diver&ses/&Masch.Dat o.k.",     slot::EditMaDaOk,            Request<&P::EditMaDaOk>,                              FixedResult<L"Edit MaDaOk o.k.", &P::EditMaDaOkResult>),
    Item(32826, L"Diver&ses/&VDX o.k.",           slot::VDXOk,                 Request<&P::VDXOk>,                                   FixedResult<L"VDX o.k.", &P::VDXOkResult>),
    Separator(L"Diver&ses"),
    Item(32813, L"Diver&ses/&Akku Off",           slot::AkkuOff,               Request<&P::AkkuOff>,                                 FixedResult<L"Akku Off o.k.", &P::AkkuOffResult>),
    Item(32891, L"Diver&ses/&Power Off",          slot::PowerOff,              Request<&P::PowerOff>,                                FixedResult<L"Power Off o.k.", &P::PowerOffResult>),
    Separator(L"Diver&ses"),
    Item(32823, L"Diver&ses/IO &Restart",         slot::IORestart,             Request<&P::IORestart, Short<1>>,                     FixedResult<L"IO Restart o.k.", &P::IORestartResult>, kNoBusyCheck),
    Item(32824, L"Diver&ses/IO &Bus Info",        slot::IOBusInfo,             Request<&P::IOBusInfo>,                               ValueResult<L"IO Bus Info %ld", &P::IOBusInfoResult>, kNoBusyCheck),
    Separator(L"Diver&ses"),
    Submenu(L"Diver&ses/&Active"),
    Item(32902, L"Diver&ses/&Active/&Get",        slot::GetActiveInterface,    Request<&P::GetActiveInterface>,                      ValueResult<L"GetActiveInterface %d", &P::GetActiveInterfaceResult>),
    Item(32903, L"Diver&ses/&Active/&Set",        slot::SetActiveInterface,    Request<&P::SetActiveInterface, Flag<1>>,             FixedResult<L"SetActiveInterface o.k.", &P::SetActiveInterfaceResult>),
    Item(32904, L"Diver&ses/&Active/&Notify",     slot::NotifyActiveInterface, Request<&P::NotifyActiveInterface>,                   ValueResult<L"NotifyActiveInterface %d", &P::NotifyActiveInterfaceResult>, kKeepSlot),
    Submenu(L"Diver&ses/&Log"),
    Separator(L"Diver&ses"),
    Submenu(L"Diver&ses/&Tandix"),
    Item(32890, L"Diver&ses/&Tandix/&Tandix",     slot::Tandix,                Request<&P::Tandix, As<link::ETandix, Long<1>>>,      FixedResult<L"Tandix o.k.", &P::TandixResult>),
    Item(32914, L"Diver&ses/&Tandix/&Get Config", slot::TandixGetConfig,       Request<&P::TandixGetConfig>,                         ValueResult<L"Tandix GetConfig %d", &P::TandixGetConfigResult>),
    Item(32915, L"Diver&ses/&Tandix/&Set Config", slot::TandixSetConfig,       Request<&P::TandixSetConfig, Flag<1>>,                FixedResult<L"Tandix SetConfig o.k.", &P::TandixSetConfigResult>),
};
static_assert(WellFormed(kRows));

}  // namespace

std::span<const CommandRow> InitMiscRows() { return kRows; }

}  // namespace vantel
