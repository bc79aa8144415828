// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "platform/library_search.h"

#include <QList>
#include <cstdlib>

namespace frivo {

QByteArray KeepAbsoluteSearchEntries(const QByteArray& searchPath) {
  QList<QByteArray> kept;
  for (const QByteArray& entry : searchPath.split(':')) {
    if (entry.startsWith('/')) kept.append(entry);
  }
  return kept.join(':');
}

void HardenLibrarySearch() {
#ifdef _WIN32
  // The Windows build removes the current directory from the DLL search order
  // (SetSearchPathMode / SetDllDirectoryW) here.
#else
  // Both spellings are read by GStreamer 1.x; the _1_0 ones take precedence.
  static const char* const kVariables[] = {"GST_PLUGIN_PATH", "GST_PLUGIN_PATH_1_0",
                                           "GST_PLUGIN_SYSTEM_PATH", "GST_PLUGIN_SYSTEM_PATH_1_0"};
  for (const char* name : kVariables) {
    const char* value = std::getenv(name);
    if (value == nullptr) continue;
    const QByteArray kept = KeepAbsoluteSearchEntries(QByteArray(value));
    if (kept.isEmpty()) {
      unsetenv(name);
    } else if (kept != value) {
      setenv(name, kept.constData(), 1);
    }
  }
#endif
}

}  // namespace frivo
