// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QIcon>

namespace frivo {

// The application icon, the same film-frame picture as the installed theme icon.
[[nodiscard]] QIcon AppIcon();

}  // namespace frivo
