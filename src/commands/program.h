// The program commands that the variable panel's "Programm" buttons run as well.
#pragma once
#include <cstdint>
#include <string>

namespace vantel {

class CConsole;

std::int16_t StartRequest(CConsole& c);
std::int16_t StartOffRequest(CConsole& c);
std::int16_t StopRequest(CConsole& c);
std::int16_t StopOffRequest(CConsole& c);
int StartDone(CConsole& c, std::int16_t h, std::wstring& message);
int StartOffDone(CConsole& c, std::int16_t h, std::wstring& message);
int StopDone(CConsole& c, std::int16_t h, std::wstring& message);
int StopOffDone(CConsole& c, std::int16_t h, std::wstring& message);

}  // namespace vantel
