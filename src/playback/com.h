// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

// The small object model the playback layer hands out: reference-counted objects
// reached through interfaces identified by a GUID, and a smart pointer that owns
// one reference. It mirrors the component model the playback code was designed
// against, so "query the graph for the position interface" stays one call.

#include <array>
#include <atomic>
#include <cstdint>
#include <utility>

#include "playback/result_codes.h"

namespace frivo {

using ULONG = std::uint32_t;
using LONG = std::int32_t;
using BYTE = std::uint8_t;
// Media time in 100 ns units, as frame durations are given in media types.
using REFERENCE_TIME = std::int64_t;

struct GUID {
  std::uint32_t Data1 = 0;
  std::uint16_t Data2 = 0;
  std::uint16_t Data3 = 0;
  std::array<std::uint8_t, 8> Data4{};
  friend constexpr bool operator==(const GUID&, const GUID&) = default;
};
using IID = GUID;
using CLSID = GUID;
inline constexpr GUID GUID_NULL{};

// Base of every interface. Objects free themselves when the last reference is
// released; Release returns the count left.
class IUnknown {
 public:
  static constexpr IID kIid{
      0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  virtual HRESULT QueryInterface(const IID& iid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};

// Owns one reference to an interface. Copy adds a reference, destruction releases.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}  // NOLINT: allows `= nullptr`
  // Takes a new reference to `p`.
  explicit ComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ~ComPtr() { Reset(); }
  ComPtr& operator=(const ComPtr& other) {
    ComPtr(other).Swap(*this);
    return *this;
  }
  ComPtr& operator=(ComPtr&& other) noexcept {
    ComPtr(std::move(other)).Swap(*this);
    return *this;
  }
  ComPtr& operator=(std::nullptr_t) {
    Reset();
    return *this;
  }

  // Adopts a reference the caller already owns (no AddRef).
  [[nodiscard]] static ComPtr Attach(T* p) {
    ComPtr result;
    result.p_ = p;
    return result;
  }
  // Gives up ownership of the reference without releasing it.
  [[nodiscard]] T* Detach() { return std::exchange(p_, nullptr); }

  void Reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  // Releases the held reference and returns the slot for an out-parameter.
  [[nodiscard]] T** ReleaseAndGetAddressOf() {
    Reset();
    return &p_;
  }
  [[nodiscard]] T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void Swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }
  friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.p_ == b.p_; }

 private:
  T* p_ = nullptr;
};

// Asks `from` for interface I (I::kIid) and stores it in `to`, which is cleared
// first. E_POINTER for an empty source, E_NOINTERFACE when it is not offered.
template <class I, class From>
HRESULT QueryInterface(From* from, ComPtr<I>* to) {
  if (!to) return E_POINTER;
  to->Reset();
  if (!from) return E_POINTER;
  return from->QueryInterface(I::kIid, reinterpret_cast<void**>(to->ReleaseAndGetAddressOf()));
}
template <class I, class From>
HRESULT QueryInterface(const ComPtr<From>& from, ComPtr<I>* to) {
  return QueryInterface<I>(from.Get(), to);
}

// The reference count of an implementation class. Thread-safe: references are
// taken and dropped on the streaming thread too.
class RefCount {
 public:
  ULONG Add() { return ++count_; }
  // Returns the count left; the caller deletes the object at 0.
  ULONG Drop() { return --count_; }

 private:
  std::atomic<ULONG> count_{1};
};

}  // namespace frivo
