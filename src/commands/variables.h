// Variable requests shared by the "&Variablen" menu and the hidden test commands.
#pragma once
#include <cstdint>
#include <string>

namespace vantel {

class CConsole;

// ShowVar(field 1, field 2) and SetInfo(field 1, field 2).
std::int16_t ShowVarRequest(CConsole& c);
std::int16_t SetInfoRequest(CConsole& c);
// The text that the result delivers is the message.
int ShowVarText(CConsole& c, std::int16_t h, std::wstring& message);
int SetInfoText(CConsole& c, std::int16_t h, std::wstring& message);

}  // namespace vantel
