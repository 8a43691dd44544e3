// The four commands without a menu entry, reachable only by a command message from outside.
// They exercise the link: many variable reads at once, an info job aborted after a pause,
// and two jobs whose results are only acknowledged. None checks its slot for busy.
#include <algorithm>
#include <span>

#include "commands/variables.h"

namespace vantel {
namespace {

using namespace field;
using namespace row;

// Up to a table's worth of reads of field 2, each into its own table entry, overwriting
// whatever the entries held. The table is filled here, so there is no handle to return.
std::int16_t BulkShowVar(CConsole& c) {
    const int n = std::min(Long<1>::Read(c), kShowTableSize);
    for (int i = 0; i < n; ++i) c.Slots().showTable[i] = c.Link().ShowVar(c.Param(2), L"");
    return 0;
}

// The pause only has to outlast the info job's first result; anything longer would freeze
// the window (a field of 2147483647 would block it for 24.8 days).
constexpr std::int32_t kMaxAbortPauseMs = 10000;

// The abort goes out before any notification can be handled, even for a handle of 0.
std::int16_t AbortInfoJob(CConsole& c) {
    const std::int32_t pause = std::clamp(Long<3>::Read(c), 0, kMaxAbortPauseMs);
    std::int16_t& slot = c.Slots().block[slot::AbortTest];
    slot = c.Link().SetInfo(c.Param(1), c.Param(2));
    c.Surface().Pause(static_cast<unsigned>(pause));
    c.Link().CmdAbort(slot);
    return slot;
}

constexpr auto kBulkReads = Join(std::array{ReadFor<Long<1>>(L"count", L"at most 100")},
                                 Uses<&P::ShowVar, Text<2>, FixedText<L"">>);
constexpr auto kAbortReads = Join(Uses<&P::SetInfo, Text<1>, Text<2>>,
                                  std::array{ReadFor<Long<3>>(L"pause ms", L"0 to 10000")},
                                  Uses<&P::CmdAbort, Own<L"the info job's handle">>);

constexpr CommandRow kRows[] = {
    Hidden(36864, kShowTable,          {BulkShowVar, kBulkReads},   ShowVarText),
    Hidden(36865, slot::AbortTest,     {AbortInfoJob, kAbortReads}, nullptr, kAcknowledge),
    Hidden(36866, slot::SilentShow,    ShowVarRequest, nullptr, kAcknowledge),
    Hidden(36867, slot::SilentSetInfo, SetInfoRequest, nullptr, kAcknowledge),
};
static_assert(WellFormed(kRows));

}  // namespace

std::span<const CommandRow> HiddenRows() { return kRows; }

}  // namespace vantel
