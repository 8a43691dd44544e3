// Variable requests shared by the "&Variablen" menu and the hidden test commands.
#pragma once
#include "commands/rows.h"

namespace vantel {

inline constexpr Sender ShowVarRequest = Request<&P::ShowVar, field::Text<1>, field::Text<2>>;
inline constexpr Sender SetInfoRequest = Request<&P::SetInfo, field::Text<1>, field::Text<2>>;
// The text that the result delivers is the message.
inline constexpr ResultFn ShowVarText = TextResult<&P::ShowVarResult>;
inline constexpr ResultFn SetInfoText = TextResult<&P::SetInfoResult>;

}  // namespace vantel
