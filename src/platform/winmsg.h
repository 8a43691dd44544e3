// Registered window messages and thread-safe posting to a window.
#pragma once
#include <functional>

#include "platform/wintypes.h"

// Process-wide message numbers from 0xC000 up: the same name gives the same number
// within a process, distinct names give distinct numbers. 0 for an empty or null name.
UINT RegisterWindowMessageW(const wchar_t* name);

// The receiving end of a window. It is called on the posting thread and must only queue.
using PostSink = std::function<void(UINT msg, WPARAM wParam, LPARAM lParam)>;

// Makes a window that can be posted to from any thread. Never returns 0.
HWND CreatePostTarget(PostSink sink);

// After this returns, the sink is never called again; later posts are dropped.
void DestroyPostTarget(HWND hwnd);

// Queues a message for the window; false (and nothing happens) when the window is gone.
bool PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
