#include "platform/posix/ini_text.h"

#include <QString>
#include <algorithm>
#include <cstddef>
#include <unordered_map>

namespace zolvantek::platform::ini {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kBlanks = " \t\v\f";
// The only codes ever decoded; any other "%" sequence is taken literally.
constexpr std::string_view kEscapedChars{"\0\n\r%=[;# ", 9};

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The character a "%XX" at position i stands for, or nothing when it is not one of ours.
std::optional<char> EscapeAt(std::string_view text, std::size_t i) {
    if (i + 2 >= text.size() || text[i] != '%') return std::nullopt;
    const int high = HexValue(text[i + 1]);
    const int low = HexValue(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    const char decoded = char(high * 16 + low);
    if (kEscapedChars.find(decoded) == std::string_view::npos) return std::nullopt;
    return decoded;
}

std::string Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (const auto decoded = EscapeAt(text, i)) {
            out += *decoded;
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string Escape(std::string_view text, bool isName) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool atEdge = i == 0 || i == text.size() - 1;
        const bool mustEscape =
            c == '\0' || c == '\n' || c == '\r' || (c == '%' && EscapeAt(text, i)) ||
            (isName &&
             (c == '=' || (i == 0 && (c == '[' || c == ';' || c == '#')) || (atEdge && c == ' ')));
        if (mustEscape) {
            const auto byte = static_cast<unsigned char>(c);
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

// Names and sections compare in case-folded form; bytes that are not UTF-8 compare as
// they are, so two different broken names never become one.
std::string Fold(std::string_view text) {
    const bool ascii = std::all_of(text.begin(), text.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii) {
        const QString unicode = QString::fromUtf8(text.data(), qsizetype(text.size()));
        const QByteArray back = unicode.toUtf8();
        if (std::string_view(back.constData(), std::size_t(back.size())) == text) {
            return unicode.toCaseFolded().toStdString();
        }
    }
    std::string folded(text);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    }
    return folded;
}

struct Line {
    std::size_t begin = 0;  // first byte of the content
    std::size_t end = 0;    // one past the content, where the line end starts
    std::size_t next = 0;   // one past the line end
    enum class Kind : unsigned char { Other, Header, Value } kind = Kind::Other;
    bool blank = false;
};

struct Section {
    std::string key;        // folded; "" for the lines before the first header
    std::size_t first = 0;  // line index of the header, or 0 for the top lines
    std::size_t last = 0;   // one past its last line
    bool hasHeader = false;
};

// One pass over the file: its lines, sections and line-end style.
struct Parsed {
    std::string_view file;
    std::vector<Line> lines;
    std::vector<Section> sections;
    std::string lineEnd = "\n";

    explicit Parsed(std::string_view text) : file(text) {
        std::size_t pos = file.substr(0, kBom.size()) == kBom ? kBom.size() : 0;
        bool styleKnown = false;
        sections.push_back({std::string(), 0, 0, false});
        lines.reserve(file.size() / 24 + 8);
        while (pos < file.size()) {
            Line line;
            line.begin = pos;
            line.end = pos;
            while (line.end < file.size() && file[line.end] != '\n' && file[line.end] != '\r') {
                ++line.end;
            }
            line.next = line.end;
            if (line.end < file.size()) {
                const bool crlf = file[line.end] == '\r' && line.end + 1 < file.size() &&
                                  file[line.end + 1] == '\n';
                line.next = line.end + (crlf ? 2 : 1);
                if (!styleKnown) {
                    lineEnd = std::string(file.substr(line.end, line.next - line.end));
                    styleKnown = true;
                }
            }
            std::string header;
            Classify(line, header);
            if (line.kind == Line::Kind::Header) {
                sections.back().last = lines.size();
                sections.push_back({std::move(header), lines.size(), 0, true});
            }
            lines.push_back(line);
            pos = lines.back().next;
        }
        sections.back().last = lines.size();
    }

    std::string_view Content(const Line& line) const {
        return file.substr(line.begin, line.end - line.begin);
    }

    // The kind of a line, and for a header its folded section.
    void Classify(Line& line, std::string& header) const {
        const std::string_view trimmed = Trim(Content(line));
        line.blank = trimmed.empty();
        if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#') return;
        if (trimmed.front() == '[' && trimmed.back() == ']' && trimmed.size() >= 2) {
            line.kind = Line::Kind::Header;
            header = Fold(Unescape(trimmed.substr(1, trimmed.size() - 2)));
            return;
        }
        const std::string_view content = Content(line);
        const auto equals = content.find('=');
        if (equals == std::string_view::npos) return;
        // Only a name is needed here; it is folded when its section is asked for, so
        // lines of other sections cost no more than a look for "=".
        if (Trim(content.substr(0, equals)).empty()) return;
        line.kind = Line::Kind::Value;
    }

    std::string NameKey(const Line& line) const {
        const std::string_view content = Content(line);
        return Fold(Unescape(Trim(content.substr(0, content.find('=')))));
    }

    // Indexes of the sections that are `section`, twins included, in file order.
    std::vector<std::size_t> Matching(std::string_view section) const {
        const std::string key = Fold(section);
        std::vector<std::size_t> found;
        for (std::size_t i = 0; i < sections.size(); ++i) {
            if (sections[i].key == key && (sections[i].hasHeader || key.empty())) {
                found.push_back(i);
            }
        }
        return found;
    }

    // The first line of each name in the section's twins, by folded name.
    std::unordered_map<std::string, std::size_t> FirstValues(std::string_view section) const {
        std::unordered_map<std::string, std::size_t> first;
        for (const std::size_t s : Matching(section)) {
            for (std::size_t i = sections[s].first; i < sections[s].last; ++i) {
                if (lines[i].kind == Line::Kind::Value) first.emplace(NameKey(lines[i]), i);
            }
        }
        return first;
    }

    std::string ValueText(std::size_t index) const {
        const std::string_view content = Content(lines[index]);
        return Unescape(content.substr(content.find('=') + 1));
    }
};

// What a name or a section reads back as once written; nothing when it would not.
std::optional<std::string> EncodedName(std::string_view name) {
    // A name that begins like a BOM would lose those bytes as the file's first line.
    if (name.empty() || name.substr(0, kBom.size()) == kBom) return std::nullopt;
    std::string encoded = Escape(name, true);
    if (Unescape(Trim(encoded)) != name) return std::nullopt;
    return encoded;
}

std::optional<std::string> EncodedHeader(std::string_view section) {
    std::string header = "[" + Escape(section, false) + "]";
    const std::string_view trimmed = Trim(header);
    if (trimmed.size() != header.size() ||
        Unescape(trimmed.substr(1, trimmed.size() - 2)) != section) {
        return std::nullopt;
    }
    return header;
}

}  // namespace

std::vector<std::optional<std::string>> ReadValues(std::string_view file, std::string_view section,
                                                   const std::vector<std::string>& names) {
    const Parsed parsed(file);
    const auto first = parsed.FirstValues(section);
    std::vector<std::optional<std::string>> values(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto found = first.find(Fold(names[i]));
        if (found == first.end()) continue;
        std::string text = parsed.ValueText(found->second);
        if (!text.empty()) values[i] = std::move(text);
    }
    return values;
}

std::optional<std::string> WriteValues(
    std::string_view file, std::string_view section,
    const std::vector<std::pair<std::string, std::string>>& values) {
    if (values.empty()) return std::string(file);
    const Parsed parsed(file);
    const auto matching = parsed.Matching(section);
    std::optional<std::string> header;
    if (matching.empty()) {
        header = EncodedHeader(section);
        if (!header) return std::nullopt;
    }
    const auto first = parsed.FirstValues(section);

    std::unordered_map<std::size_t, std::string> replaced;  // line index -> new content
    std::vector<std::string> added;                         // new lines, in order
    std::unordered_map<std::string, std::size_t> addedByKey;
    for (const auto& [name, text] : values) {
        const auto encoded = EncodedName(name);
        if (!encoded) return std::nullopt;
        const std::string key = Fold(name);
        const std::string escapedText = Escape(text, false);
        if (const auto found = first.find(key); found != first.end()) {
            const std::string_view content = parsed.Content(parsed.lines[found->second]);
            std::string line = std::string(content.substr(0, content.find('=') + 1)) + escapedText;
            // A hand-written name that begins with "[" cannot take a text that ends in "]":
            // the line would read back as a section header, so such a save is refused.
            if (const std::string_view t = Trim(line); t.front() == '[' && t.back() == ']') {
                return std::nullopt;
            }
            replaced[found->second] = std::move(line);
        } else if (const auto again = addedByKey.find(key); again != addedByKey.end()) {
            added[again->second] = *encoded + "=" + escapedText;
        } else {
            addedByKey.emplace(key, added.size());
            added.push_back(*encoded + "=" + escapedText);
        }
    }

    // New values go after the last line of the first twin that is not blank, so the blank
    // lines before the next section stay where they are.
    std::size_t insertAt = parsed.lines.size();
    if (!matching.empty()) {
        const Section& target = parsed.sections[matching.front()];
        insertAt = target.first;
        for (std::size_t i = target.first; i < target.last; ++i) {
            if (!parsed.lines[i].blank) insertAt = i + 1;
        }
    }
    const std::string& lineEnd = parsed.lineEnd;
    std::string out;
    out.reserve(file.size() + added.size() * 64 + 64);
    const auto appendAdded = [&] {
        if (header) {
            const bool needsGap = !parsed.lines.empty() && !parsed.lines.back().blank;
            if (needsGap) out += lineEnd;
            out += *header + lineEnd;
        }
        for (const std::string& line : added) out += line + lineEnd;
    };
    out.append(file.substr(0, parsed.lines.empty() ? file.size() : parsed.lines.front().begin));
    for (std::size_t i = 0; i < parsed.lines.size(); ++i) {
        if (i == insertAt && !header) appendAdded();
        const Line& line = parsed.lines[i];
        if (const auto it = replaced.find(i); it != replaced.end()) {
            out += it->second;
        } else {
            out.append(parsed.Content(line));
        }
        out.append(file.substr(line.end, line.next - line.end));
        // The last line gets a line end of its own when something follows it.
        if (line.next == line.end && i + 1 == parsed.lines.size() &&
            (insertAt == parsed.lines.size() || header) && (!added.empty() || header)) {
            out += lineEnd;
        }
    }
    if (insertAt == parsed.lines.size() || header) appendAdded();
    return out;
}

std::optional<std::string> DeleteValue(std::string_view file, std::string_view section,
                                       std::string_view name) {
    const Parsed parsed(file);
    const std::string key = Fold(name);
    std::vector<bool> dropped(parsed.lines.size(), false);
    bool any = false;
    for (const std::size_t s : parsed.Matching(section)) {
        for (std::size_t i = parsed.sections[s].first; i < parsed.sections[s].last; ++i) {
            if (parsed.lines[i].kind == Line::Kind::Value &&
                parsed.NameKey(parsed.lines[i]) == key) {
                dropped[i] = any = true;
            }
        }
    }
    if (!any) return std::nullopt;
    std::string out(file.substr(0, parsed.lines.front().begin));
    for (std::size_t i = 0; i < parsed.lines.size(); ++i) {
        const Line& line = parsed.lines[i];
        if (!dropped[i]) out.append(file.substr(line.begin, line.next - line.begin));
    }
    return out;
}

std::optional<std::string> DeleteSection(std::string_view file, std::string_view section) {
    const Parsed parsed(file);
    const std::string key = Fold(section);
    if (key.empty()) return std::nullopt;
    const std::string inner = key + "\\";
    for (const Section& other : parsed.sections) {
        if (other.key.compare(0, inner.size(), inner) == 0) return std::nullopt;
    }
    const auto matching = parsed.Matching(section);
    if (matching.empty()) return std::nullopt;
    std::vector<bool> dropped(parsed.lines.size(), false);
    for (const std::size_t s : matching) {
        std::fill(dropped.begin() + std::ptrdiff_t(parsed.sections[s].first),
                  dropped.begin() + std::ptrdiff_t(parsed.sections[s].last), true);
    }
    std::string out(file.substr(0, parsed.lines.front().begin));
    for (std::size_t i = 0; i < parsed.lines.size(); ++i) {
        const Line& line = parsed.lines[i];
        if (!dropped[i]) out.append(file.substr(line.begin, line.next - line.begin));
    }
    return out;
}

}  // namespace zolvantek::platform::ini
