// The result of "&Confirm", which the panel's "ALL" shares with it through one slot.
#pragma once
#include <cstdint>
#include <string>

namespace vantel {

class CConsole;

int ConfirmDone(CConsole& c, std::int16_t h, std::wstring& message);

}  // namespace vantel
