#pragma once

#include <QSettings>

namespace zolvantek::platform {

// An INI dialect whose values are literal: everything after the first "=" up to the end
// of the line, so commas, quotes, ";" and "#" in a hand-written value survive. Only what a
// line cannot hold is written as "%XX" (line breaks, NUL, and in names "=" and a leading
// "[", ";", "#" or blank); a "%" that would read as such a code is itself escaped.
// The store matches names without regard to case.
QSettings::Format LiteralIniFormat();

// The reader and writer behind LiteralIniFormat(), exposed for tests.
bool ReadLiteralIni(QIODevice& device, QSettings::SettingsMap& map);
bool WriteLiteralIni(QIODevice& device, const QSettings::SettingsMap& map);

}  // namespace zolvantek::platform
