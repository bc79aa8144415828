// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QString>
#include <QStringList>

namespace frivo {

// The launcher's programs: full paths in the order they were added, no two the
// same (SamePath).
class TProgramList {
 public:
  [[nodiscard]] const QStringList& Paths() const { return paths_; }
  [[nodiscard]] int Count() const { return static_cast<int>(paths_.size()); }
  [[nodiscard]] bool IsEmpty() const { return paths_.isEmpty(); }
  // Index of the entry for `path`, or -1.
  [[nodiscard]] int IndexOf(const QString& path) const;
  // Appends; false (and nothing changes) when the path is empty or already listed.
  bool Add(const QString& path);
  // Removes the entry for `path`; false when there is none.
  bool Remove(const QString& path);
  // Replaces the whole list, keeping the first of equal entries and dropping empty
  // lines (a settings file edited by hand may hold both).
  void Assign(const QStringList& paths);

 private:
  QStringList paths_;
};

}  // namespace frivo
