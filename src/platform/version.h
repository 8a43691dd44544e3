// Version resources of an executable, read from its ".vantel_version" ELF section.
//
// The section is a flat sequence of wchar_t: key, NUL, value, NUL, ..., closed by an empty
// key. Keys are query paths ("\\StringFileInfo\\040704B0\\FileVersion"); the value of
// "\\VarFileInfo\\Translation" is one wchar_t holding language (low 16 bits) and code page
// (high 16 bits), which reads as the {language, code page} pair of WORDs.
#pragma once
#include <string>

#include "platform/wintypes.h"

// Size in bytes of the version block of the file at path; 0 when the file cannot be read,
// is no ELF file, or has no version section.
DWORD GetFileVersionInfoSizeW(const wchar_t* path, DWORD* handle);
// Reads the block into data (len bytes at most); false on failure.
BOOL GetFileVersionInfoW(const wchar_t* path, DWORD handle, DWORD len, void* data);
// Finds subBlock in a block read above; on success *out points into the block and *outLen
// holds the value's length in wchar_t (strings: without the terminator).
BOOL VerQueryValueW(const void* block, const wchar_t* subBlock, void** out, UINT* outLen);

// Full path of the running executable (hModule must be null); characters written, 0 on failure.
DWORD GetModuleFileNameW(void* hModule, wchar_t* buf, DWORD size);
// The current directory; characters written, 0 on failure or when buf is too small.
DWORD GetCurrentDirectoryW(DWORD size, wchar_t* buf);

namespace vantel {

// The two version strings of the executable at path (default: the running one); each
// empty when it cannot be read.
void ReadVersionInfo(std::wstring& internalName, std::wstring& fileVersion);
void ReadVersionInfo(const std::wstring& exePath, std::wstring& internalName, std::wstring& fileVersion);

}  // namespace vantel
