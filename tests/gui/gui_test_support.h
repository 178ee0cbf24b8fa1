#pragma once

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QString>

namespace zolvantek::test_support {

// The settings file the program reads, below the test run's own XDG_CONFIG_HOME.
inline QString SettingsFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Brindlex Software Solutions/Zolvantek.ini");
}

// Writes the settings file as a person would by hand (UTF-8 text), or removes it.
inline void WriteSettingsFile(const QString& text) {
    const QString path = SettingsFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (text.isNull()) {
        file.remove();
        return;
    }
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(text.toUtf8());
}

inline QString ReadSettingsFile() {
    QFile file(SettingsFilePath());
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

}  // namespace zolvantek::test_support
