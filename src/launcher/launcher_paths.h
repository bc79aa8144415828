// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QString>

namespace frivo {

// Whether two paths name the same entry of the program list, the open history or
// a running program. This file system tells letter case apart, so the comparison
// is exact; every such comparison goes through here.
[[nodiscard]] bool SamePath(const QString& a, const QString& b);

// The file-name part of a path: no folder, extension kept ("/a/b.mp4" -> "b.mp4").
[[nodiscard]] QString FileNamePart(const QString& path);

}  // namespace frivo
