// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "platform/desktop.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QStandardPaths>
#include <utility>

namespace frivo {

namespace {

ModifierHook& Hook() {
  static ModifierHook hook;
  return hook;
}

OpenUrlHook& UrlHook() {
  static OpenUrlHook hook;
  return hook;
}

ClipboardHook& ClipHook() {
  static ClipboardHook hook;
  return hook;
}

QString FirstLocation(QStandardPaths::StandardLocation location) {
  const QStringList paths = QStandardPaths::standardLocations(location);
  return paths.isEmpty() ? QString() : WithTrailingSlash(paths.first());
}

}  // namespace

ModifierState QueryModifiers() {
  if (Hook()) return Hook()();
  const Qt::KeyboardModifiers modifiers = QGuiApplication::queryKeyboardModifiers();
  return {modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::ControlModifier)};
}

ModifierHook SetModifierHook(ModifierHook hook) {
  return std::exchange(Hook(), std::move(hook));
}

QString WithTrailingSlash(const QString& folder) {
  if (folder.isEmpty()) return folder;
  QString path = folder;
  while (path.size() > 1 && path.endsWith(u'/')) path.chop(1);
  return path == QStringLiteral("/") ? path : path + u'/';
}

QString VideoFolder() {
  return FirstLocation(QStandardPaths::MoviesLocation);
}
QString PicturesFolder() {
  return FirstLocation(QStandardPaths::PicturesLocation);
}
QString ProgramFilesFolder() {
  return QStringLiteral("/usr/bin/");
}

bool OpenUrl(const QUrl& url) {
  if (UrlHook()) return UrlHook()(url);
  return QDesktopServices::openUrl(url);
}

OpenUrlHook SetOpenUrlHook(OpenUrlHook hook) {
  return std::exchange(UrlHook(), std::move(hook));
}

bool PutImageOnClipboard(const QImage& image) {
  if (ClipHook()) return ClipHook()(image);
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard || image.isNull()) return false;
  clipboard->setImage(image);
  // While the clipboard is ours it answers with our own data at once; when the
  // system did not give it to us, what it holds is someone else's or nothing.
  const QMimeData* data = clipboard->mimeData();
  return data && data->hasImage();
}

ClipboardHook SetClipboardHook(ClipboardHook hook) {
  return std::exchange(ClipHook(), std::move(hook));
}

}  // namespace frivo
