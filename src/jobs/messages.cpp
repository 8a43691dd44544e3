#include "jobs/messages.h"

#include "platform/winmsg.h"

UINT WM_PLEXA = RegisterWindowMessageW(L"WM_PLEXA");
UINT WM_BOFKEY = RegisterWindowMessageW(L"WM_BOFKEY");
