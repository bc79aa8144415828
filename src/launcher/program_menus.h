// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QString>

class QAction;
class QObject;
class QMenu;

namespace frivo {

// Appends the item of one program to a menu: the file-name part as caption ("&"
// shown as itself), the full path as hint and data, the program's icon (for a
// desktop entry the one its Icon= line names). An item
// whose file is gone is drawn in grey but stays enabled, so it can be deleted.
QAction* AddProgramItem(QMenu* menu, const QString& path);

// Takes the item's grey text and icon afresh from its file.
void RefreshProgramItem(QAction* item);

// The full path an item made by AddProgramItem (or a history item) stands for.
[[nodiscard]] QString ItemPath(const QObject* item);

// Caption text that shows "&" literally.
[[nodiscard]] QString LiteralCaption(const QString& text);

// Lets `menu` draw the grey text of missing programs, checked afresh each time
// the menu opens (idempotent).
void UseProgramMenuStyle(QMenu* menu);

}  // namespace frivo
