// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QString>
#include <QStringList>

namespace frivo {

// The most recently opened media files, most recent first.
inline constexpr int kMaxOpenHistory = 10;

// Puts `path` at the top of `history`: an equal entry (SamePath) is removed and
// entries beyond kMaxOpenHistory drop out at the bottom. An empty path is ignored,
// so the empty lines of a settings file never become entries.
void AddToHistory(QStringList& history, const QString& path);

// The history a settings section's lines give: each line is added from the last
// to the first, so the first line ends up at the top and, of repeated lines, the
// one nearest the top survives at its place.
[[nodiscard]] QStringList HistoryFromLines(const QStringList& lines);

}  // namespace frivo
