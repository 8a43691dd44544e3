// The result of "&Confirm", which the panel's "ALL" shares with it through one slot.
#pragma once
#include "commands/rows.h"

namespace vantel {

inline constexpr ResultFn ConfirmDone = FixedResult<L"Confirm o.k.", &P::ConfirmResult>;

}  // namespace vantel
