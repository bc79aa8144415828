// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <cstdint>

namespace frivo {

// Result codes of the playback layer. They keep the values the Windows media
// framework uses, so code written against those calls reads and behaves the same:
// negative = failure, 0 = S_OK, positive = success with a remark.
using HRESULT = std::int32_t;

[[nodiscard]] constexpr bool SUCCEEDED(HRESULT hr) {
  return hr >= 0;
}
[[nodiscard]] constexpr bool FAILED(HRESULT hr) {
  return hr < 0;
}

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;

inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);

// Success: a state change has not finished within the time-out.
inline constexpr HRESULT VFW_S_STATE_INTERMEDIATE = 0x00040237;
// Success: a filter of that name was already in the graph; a number was appended.
inline constexpr HRESULT VFW_S_DUPLICATE_NAME = 0x0004022D;
// Success: some streams of the file (never the video) could not be played.
inline constexpr HRESULT VFW_S_PARTIAL_RENDER = 0x00040242;

inline constexpr HRESULT VFW_E_INVALIDMEDIATYPE = static_cast<HRESULT>(0x80040200u);
inline constexpr HRESULT VFW_E_NOT_CONNECTED = static_cast<HRESULT>(0x80040209u);
inline constexpr HRESULT VFW_E_CANNOT_CONNECT = static_cast<HRESULT>(0x80040217u);
inline constexpr HRESULT VFW_E_CANNOT_RENDER = static_cast<HRESULT>(0x80040218u);
inline constexpr HRESULT VFW_E_NOT_FOUND = static_cast<HRESULT>(0x80040216u);
inline constexpr HRESULT VFW_E_WRONG_STATE = static_cast<HRESULT>(0x80040227u);
inline constexpr HRESULT VFW_E_TIMEOUT = static_cast<HRESULT>(0x8004022Eu);
inline constexpr HRESULT VFW_E_UNKNOWN_FILE_TYPE = static_cast<HRESULT>(0x80040240u);
inline constexpr HRESULT VFW_E_UNSUPPORTED_STREAM = static_cast<HRESULT>(0x80040265u);
// The file has a video stream but no installed decoder can read it.
inline constexpr HRESULT VFW_E_NO_DECOMPRESSOR = static_cast<HRESULT>(0x80040266u);

}  // namespace frivo
