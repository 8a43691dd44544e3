// The program commands that the variable panel's "Programm" buttons run as well.
#pragma once
#include "commands/rows.h"

namespace vantel {

inline constexpr Sender StartRequest = Request<&P::Start>;
inline constexpr Sender StartOffRequest = Request<&P::StartOff>;
inline constexpr Sender StopRequest = Request<&P::Stop>;
inline constexpr Sender StopOffRequest = Request<&P::StopOff>;
inline constexpr ResultFn StartDone = FixedResult<L"Start o.k.", &P::StartResult>;
inline constexpr ResultFn StartOffDone = FixedResult<L"StartOff o.k.", &P::StartOffResult>;
inline constexpr ResultFn StopDone = FixedResult<L"Stop o.k.", &P::StopResult>;
inline constexpr ResultFn StopOffDone = FixedResult<L"StopOff o.k.", &P::StopOffResult>;

}  // namespace vantel
