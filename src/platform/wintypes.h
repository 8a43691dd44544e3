// Small stand-ins for the types that the console's interfaces are written in.
#pragma once
#include <cstdint>

using UINT = std::uint32_t;
using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using BOOL = int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// A window is an opaque number handed out by CreatePostTarget; 0 is no window.
using HWND = std::uintptr_t;
