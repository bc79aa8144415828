// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QString>

namespace frivo {

// Whether two paths name the same entry of the program list, the open history or
// a running program. This file system tells letter case apart, so the comparison
// is exact; every such comparison goes through here.
[[nodiscard]] bool SamePath(const QString& a, const QString& b);
// The form of a path that SamePath compares: two paths are the same exactly when
// their keys are equal, so a set of keys finds repeated paths in one pass.
[[nodiscard]] QString PathKey(const QString& path);

// The file-name part of a path: no folder, extension kept ("/a/b.mp4" -> "b.mp4").
[[nodiscard]] QString FileNamePart(const QString& path);

}  // namespace frivo
