#pragma once
// Stored entries are bytes in the system's own encoding (the ANSI code page on Windows):
// the editors show them through it and give typed text back through it.
#include <QString>
#include <string>

namespace zolvantek {

inline QString LocalText(const std::string& bytes) { return QString::fromLocal8Bit(bytes); }
inline std::string LocalBytes(const QString& text) { return text.toLocal8Bit().toStdString(); }

}  // namespace zolvantek
