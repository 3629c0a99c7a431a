// Result codes with the same numbers as on Windows, so a code logged or
// compared anywhere means the same thing on every platform. On Windows they
// are the system's own (its headers define them as macros); elsewhere they
// live in the project's namespace, so nothing here can clash with a
// <windows.h> that a library pulls in. Code names them unqualified, after
// `using namespace pictovane;`, which reaches both.
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
#include <wininet.h>

namespace pictovane {
using ::HRESULT;
} // namespace pictovane
#else

namespace pictovane {

using HRESULT = std::int32_t;

inline constexpr HRESULT S_OK = 0;

inline constexpr bool SUCCEEDED(HRESULT hr)
{
    return hr >= 0;
}
inline constexpr bool FAILED(HRESULT hr)
{
    return hr < 0;
}

// 0x80070000 with the low 16 bits of a positive Win32 code; the code itself
// otherwise (0 stays success, an HRESULT passes through).
inline constexpr HRESULT HRESULT_FROM_WIN32(std::int32_t code)
{
    return code <= 0 ? code
                     : static_cast<HRESULT>((static_cast<std::uint32_t>(code) & 0x0000FFFFu) | 0x80070000u);
}

// Win32 codes.
inline constexpr std::int32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr std::int32_t ERROR_ACCESS_DENIED = 5;
inline constexpr std::int32_t ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr std::int32_t ERROR_READ_FAULT = 30;
inline constexpr std::int32_t ERROR_HANDLE_EOF = 38;
inline constexpr std::int32_t ERROR_PATH_NOT_FOUND = 3;
inline constexpr std::int32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr std::int32_t ERROR_INSUFFICIENT_BUFFER = 122;

// WinINet codes.
inline constexpr std::int32_t ERROR_INTERNET_TIMEOUT = 12002;
inline constexpr std::int32_t ERROR_INTERNET_INTERNAL_ERROR = 12004;
inline constexpr std::int32_t ERROR_INTERNET_INVALID_URL = 12005;
inline constexpr std::int32_t ERROR_INTERNET_UNRECOGNIZED_SCHEME = 12006;
inline constexpr std::int32_t ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
inline constexpr std::int32_t ERROR_INTERNET_OPERATION_CANCELLED = 12017;
inline constexpr std::int32_t ERROR_INTERNET_INCORRECT_HANDLE_STATE = 12019;
inline constexpr std::int32_t ERROR_INTERNET_CANNOT_CONNECT = 12029;
inline constexpr std::int32_t ERROR_INTERNET_CONNECTION_ABORTED = 12030;
inline constexpr std::int32_t ERROR_INTERNET_CONNECTION_RESET = 12031;
inline constexpr std::int32_t ERROR_INTERNET_INVALID_CA = 12045;
inline constexpr std::int32_t ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152;
inline constexpr std::int32_t ERROR_INTERNET_SECURE_FAILURE = 12175;

} // namespace pictovane
#endif
