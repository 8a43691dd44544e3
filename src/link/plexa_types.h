// Argument types of the controller link's calls.
#pragma once
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/filetime.h"
#include "platform/wintypes.h"

namespace vantel::link {

using StringArray = std::vector<std::wstring>;
using BoolArray = std::vector<bool>;
using ByteArray = std::vector<std::uint8_t>;
using DWordArray = std::vector<std::uint32_t>;
using Orvo_Time::CFileTime;

// The kind of a controller message or dialog; the console only shows the number.
enum EMessageType : std::int32_t {
    eMsgInfo = 0,
    eMsgState = 1,
    eMsgAcknowledge = 2,
    eMsgWait = 3,
    eMsgDialog = 4,
};

// The type of a notification the link posts (its lParam); the low 16 bits of wParam carry
// the handle it is about.
enum class ENotifyType : std::int32_t {
    Result = 0,               // a job's result is ready to fetch
    SyncAddMessage = 1,
    CommandAbort = 2,         // the job was aborted
    AsyncAddInfo = 10,        // a message added to the buffer, by its kind
    AsyncAddState = 11,
    AsyncAddAcknowledge = 12,
    AsyncSubMessage = 20,     // a message removed from the buffer
    AsyncAddWait = 30,
    AsyncConfirm = 50,
    AsyncAddDialog = 60,
    AsyncAnswer = 70,
    SyncAddDialog = 100,      // a question the controller waits on
    Mouse6D = 200,
    KeySwitch = 300,
    ProgressInfo = 400,
};

// What "Tandix" asks of the controller. The console passes the number typed, named or not.
enum ETandix : std::int32_t {
    eTandixOff = 0,
    eTandixOn = 1,
};

// The file manager's and the log's enumerations. The link library numbers them; the console
// only passes numbers read from a field and shows the numbers it gets back, so it names no
// values.
enum EVolumeType : std::int32_t {};
enum EItemType : std::int32_t {};
enum EModulePart : std::int32_t {};
enum EEditMode : std::int32_t {};
enum EStructKind : std::int32_t {};
enum ECodeType : std::int32_t {};
enum ESourceType : std::int32_t {};
enum EItemState : std::int32_t {};
enum ELogClass : std::int32_t {};
enum ELogType : std::int32_t {};

// How one argument crosses the link: its type, and whether the callee fills it.
enum class ArgType : std::uint8_t { I16, I32, U32, Enum, Window, Str, Time, StrArray, BoolArray, ByteArray, DWordArray };

struct LinkArg {
    ArgType type;
    bool out;
    void* ptr;  // the caller's value, alive for the duration of the call

    template <class T> T& As() const { return *static_cast<T*>(ptr); }
};

template <class T> struct ArgTypeOf;
template <> struct ArgTypeOf<std::int16_t> { static constexpr ArgType value = ArgType::I16; };
template <> struct ArgTypeOf<std::int32_t> { static constexpr ArgType value = ArgType::I32; };
template <> struct ArgTypeOf<std::uint32_t> { static constexpr ArgType value = ArgType::U32; };
template <> struct ArgTypeOf<HWND> { static constexpr ArgType value = ArgType::Window; };
template <> struct ArgTypeOf<std::wstring> { static constexpr ArgType value = ArgType::Str; };
template <> struct ArgTypeOf<CFileTime> { static constexpr ArgType value = ArgType::Time; };
template <> struct ArgTypeOf<StringArray> { static constexpr ArgType value = ArgType::StrArray; };
template <> struct ArgTypeOf<BoolArray> { static constexpr ArgType value = ArgType::BoolArray; };
template <> struct ArgTypeOf<ByteArray> { static constexpr ArgType value = ArgType::ByteArray; };
template <> struct ArgTypeOf<DWordArray> { static constexpr ArgType value = ArgType::DWordArray; };

// The link's enumerations travel as plain 32-bit numbers.
template <class T>
constexpr ArgType ArgTypeFor() {
    if constexpr (std::is_enum_v<T>) {
        static_assert(sizeof(T) == sizeof(std::int32_t));
        return ArgType::Enum;
    } else {
        return ArgTypeOf<T>::value;
    }
}

// Declared parameter type -> LinkArg. A by-value or const-reference parameter is an in-value.
template <class P>
LinkArg MakeArg(P& value) {
    using T = std::remove_cvref_t<P>;
    constexpr bool out = std::is_lvalue_reference_v<P> && !std::is_const_v<std::remove_reference_t<P>>;
    return LinkArg{ArgTypeFor<T>(), out, const_cast<T*>(&value)};
}

// An out-value as a call leaves it that did not fill it: zero, or empty.
inline void ClearOut(const LinkArg& a) {
    if (!a.out) return;
    switch (a.type) {
        case ArgType::I16: a.As<std::int16_t>() = 0; break;
        case ArgType::I32:
        case ArgType::Enum: a.As<std::int32_t>() = 0; break;
        case ArgType::U32: a.As<std::uint32_t>() = 0; break;
        case ArgType::Window: a.As<HWND>() = 0; break;
        case ArgType::Str: a.As<std::wstring>().clear(); break;
        case ArgType::Time: a.As<CFileTime>() = CFileTime(); break;
        case ArgType::StrArray: a.As<StringArray>().clear(); break;
        case ArgType::BoolArray: a.As<BoolArray>().clear(); break;
        case ArgType::ByteArray: a.As<ByteArray>().clear(); break;
        case ArgType::DWordArray: a.As<DWordArray>().clear(); break;
    }
}

}  // namespace vantel::link
