// The two registered window messages through which the link and the operator keys reach
// the main dialog. Registered during static start-up, WM_PLEXA first; valid for the
// whole process.
#pragma once
#include "platform/wintypes.h"

extern UINT WM_PLEXA;
extern UINT WM_BOFKEY;
