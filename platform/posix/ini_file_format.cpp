#include "platform/posix/ini_file_format.h"

#include <QCollator>
#include <QIODevice>
#include <QStringList>
#include <algorithm>
#include <optional>

namespace zolvantek::platform {
namespace {

// The only codes ever decoded; any other "%" sequence is taken literally.
constexpr char16_t kEscapedChars[] = {u'\0', u'\n', u'\r', u'%', u'=', u'[', u';', u'#', u' '};

bool IsEscapedChar(QChar c) {
    return std::find(std::begin(kEscapedChars), std::end(kEscapedChars), c.unicode()) !=
           std::end(kEscapedChars);
}

int HexValue(QChar c) {
    if (c >= u'0' && c <= u'9') return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f') return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c.unicode() - u'A' + 10;
    return -1;
}

// The character a "%XX" at position i stands for, or nothing when it is not one of ours.
std::optional<QChar> EscapeAt(const QString& text, qsizetype i) {
    if (i + 2 >= text.size() || text[i] != u'%') return std::nullopt;
    const int high = HexValue(text[i + 1]);
    const int low = HexValue(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    const QChar decoded(char16_t(high * 16 + low));
    if (!IsEscapedChar(decoded)) return std::nullopt;
    return decoded;
}

QString Unescape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (auto decoded = EscapeAt(text, i)) {
            out += *decoded;
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

QString Escape(const QString& text, bool isName) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const bool atEdge = i == 0 || i == text.size() - 1;
        const bool mustEscape =
            c == u'\0' || c == u'\n' || c == u'\r' || (c == u'%' && EscapeAt(text, i)) ||
            (isName && (c == u'=' || (i == 0 && (c == u'[' || c == u';' || c == u'#')) ||
                        (atEdge && c == u' ')));
        if (mustEscape) {
            out += QStringLiteral("%%1").arg(c.unicode(), 2, 16, QChar(u'0')).toUpper();
        } else {
            out += c;
        }
    }
    return out;
}

// Sections are written the way the key path reads, with "\" between nested keys.
QString GroupFromHeader(const QString& header) { return Unescape(header).replace(u'\\', u'/'); }
QString HeaderFromGroup(const QString& group) {
    return Escape(QString(group).replace(u'/', u'\\'), false);
}

}  // namespace

bool ReadLiteralIni(QIODevice& device, QSettings::SettingsMap& map) {
    const QString content = QString::fromUtf8(device.readAll());
    QString groupPrefix;
    for (QString line : content.split(u'\n')) {
        if (line.endsWith(u'\r')) line.chop(1);  // a file saved with CRLF line ends
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u';') || trimmed.startsWith(u'#')) continue;
        if (trimmed.startsWith(u'[') && trimmed.endsWith(u']')) {
            const QString group = GroupFromHeader(trimmed.mid(1, trimmed.size() - 2));
            groupPrefix = group.isEmpty() ? QString() : group + u'/';
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0) continue;
        const QString name = Unescape(line.left(equals).trimmed());
        if (name.isEmpty()) continue;
        map.insert(groupPrefix + name, Unescape(line.mid(equals + 1)));
    }
    return true;
}

bool WriteLiteralIni(QIODevice& device, const QSettings::SettingsMap& map) {
    // Group the keys by section, sections and names in natural order (Dir2 before Dir10),
    // top-level names first, so a person reading the file finds the slots in sequence.
    QCollator natural;
    natural.setNumericMode(true);
    natural.setCaseSensitivity(Qt::CaseInsensitive);
    QStringList keys = map.keys();
    auto splitKey = [](const QString& key) {
        const qsizetype slash = key.lastIndexOf(u'/');
        return std::pair{slash < 0 ? QString() : key.left(slash), key.mid(slash + 1)};
    };
    std::stable_sort(keys.begin(), keys.end(), [&](const QString& a, const QString& b) {
        const auto [groupA, nameA] = splitKey(a);
        const auto [groupB, nameB] = splitKey(b);
        if (groupA.isEmpty() != groupB.isEmpty()) return groupA.isEmpty();
        if (const int order = natural.compare(groupA, groupB); order != 0) return order < 0;
        return natural.compare(nameA, nameB) < 0;
    });

    QString text;
    QString currentGroup;
    for (const QString& key : keys) {
        const auto [group, name] = splitKey(key);
        if (group.compare(currentGroup, Qt::CaseInsensitive) != 0) {
            if (!text.isEmpty()) text += u'\n';
            text += u'[' + HeaderFromGroup(group) + QStringLiteral("]\n");
            currentGroup = group;
        }
        text += Escape(name, true) + u'=' + Escape(map.value(key).toString(), false) + u'\n';
    }
    const QByteArray bytes = text.toUtf8();
    return device.write(bytes) == bytes.size();
}

QSettings::Format LiteralIniFormat() {
    static const QSettings::Format format = QSettings::registerFormat(
        QStringLiteral("ini"), ReadLiteralIni, WriteLiteralIni, Qt::CaseSensitive);
    return format;
}

}  // namespace zolvantek::platform
