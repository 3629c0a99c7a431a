// Result codes with the numbers Windows gives the same failures (HRESULTs
// made from Win32 and WinINet codes), so a code logged anywhere means the same
// thing on every platform. They are scoped enumerators, on Windows too: no
// name here can meet a <windows.h> macro (FAILED, S_OK, ERROR_*).
#pragma once

#include <cstdint>

#ifdef _WIN32
// Lean, and Winsock 2 first: the full <windows.h> drags in the old
// <winsock.h>, which clashes with the <winsock2.h> libcurl includes.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
// (kept apart, so the include sorter cannot put it first)
#include <windows.h>
#endif

namespace pictovane {

// 0x80070000 with the low 16 bits of a positive Win32 code.
constexpr std::int32_t hresultFromWin32(std::uint32_t code)
{
    return static_cast<std::int32_t>((code & 0x0000FFFFu) | 0x80070000u);
}

enum class Result : std::int32_t {
    Ok = 0,
    FileNotFound = hresultFromWin32(2),
    PathNotFound = hresultFromWin32(3),
    AccessDenied = hresultFromWin32(5),
    NotEnoughMemory = hresultFromWin32(8),
    ReadFault = hresultFromWin32(30),
    InvalidParameter = hresultFromWin32(87),
    Timeout = hresultFromWin32(12002),
    InternalError = hresultFromWin32(12004),
    InvalidUrl = hresultFromWin32(12005),
    UnrecognizedScheme = hresultFromWin32(12006),
    NameNotResolved = hresultFromWin32(12007),
    Cancelled = hresultFromWin32(12017),
    IncorrectHandleState = hresultFromWin32(12019),
    CannotConnect = hresultFromWin32(12029),
    ConnectionAborted = hresultFromWin32(12030),
    ConnectionReset = hresultFromWin32(12031),
    InvalidCa = hresultFromWin32(12045),
    InvalidServerResponse = hresultFromWin32(12152),
    SecureFailure = hresultFromWin32(12175),
};

constexpr bool failed(Result r)
{
    return static_cast<std::int32_t>(r) < 0;
}

} // namespace pictovane
