// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

// The dollar escape: how any Unicode text is kept in a CP932 byte string (menu
// captions, hints, list items) without losing characters.
//
// Encoding converts to CP932 without best-fit mapping. When every character fits
// and the text has no "$", the CP932 bytes are the stored form. Otherwise each
// "$", U+0001 and character without a CP932 equivalent is written as "$" and the
// four lower-case hex digits of its UTF-16 code unit; a character outside the BMP
// (a surrogate pair) becomes two such groups, one per unit, so decoding gives the
// same pair back. Decoding reads CP932 and turns every "$" followed by four hex
// digits into that code unit; any other "$" stays as it is.

#include <QByteArray>
#include <QString>

namespace frivo {

[[nodiscard]] QByteArray WideToEscapedAnsi(const QString& text);
[[nodiscard]] QString EscapedAnsiToWide(const QByteArray& stored);

}  // namespace frivo
