// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QByteArray>
#include <QString>

namespace frivo {

// Replaces the whole content of the file at `path` with `bytes`.
//
// The bytes go to a temporary file in the same folder, which is flushed and then
// renamed over the target. A failure at any step leaves an existing file exactly
// as it was and no temporary file behind. The file keeps the permissions of the
// file it replaces (new files get the usual 0666 less the umask).
[[nodiscard]] bool ReplaceFileContents(const QString& path, const QByteArray& bytes);

}  // namespace frivo
