// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <sys/resource.h>

#include <csignal>

namespace frivo::test {

// Limits the size of files this process writes, so a write fails part-way as it
// would on a full disk; the old limit and SIGXFSZ handling come back when it goes.
class ScopedFileSizeLimit {
 public:
  explicit ScopedFileSizeLimit(rlim_t bytes) {
    active_ = getrlimit(RLIMIT_FSIZE, &saved_) == 0;
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved_;
    limited.rlim_cur = bytes;
    active_ = active_ && setrlimit(RLIMIT_FSIZE, &limited) == 0;
  }
  ~ScopedFileSizeLimit() {
    if (active_) setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }
  ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
  ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

  // False when the limit could not be set (the test should then fail).
  [[nodiscard]] bool Active() const { return active_; }

 private:
  struct rlimit saved_ {};
  void (*previousHandler_)(int) = SIG_DFL;
  bool active_ = false;
};

}  // namespace frivo::test
