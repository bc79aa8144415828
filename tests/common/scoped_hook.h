// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <utility>

namespace frivo::test {

// Installs one of the platform layer's test hooks (message boxes, file dialogs,
// modifier keys, ...) and puts the previous one back when it goes.
template <class Hook>
class ScopedHook {
 public:
  using Setter = Hook (*)(Hook);
  ScopedHook(Setter set, Hook hook) : set_(set), old_(set(std::move(hook))) {}
  ~ScopedHook() { set_(std::move(old_)); }
  ScopedHook(const ScopedHook&) = delete;
  ScopedHook& operator=(const ScopedHook&) = delete;

 private:
  Setter set_;
  Hook old_;
};

}  // namespace frivo::test
