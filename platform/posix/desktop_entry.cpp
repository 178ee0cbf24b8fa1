#include "platform/posix/desktop_entry.h"

#include <fstream>

namespace zolvantek::platform {
namespace {

// The escapes of string values: \s, \n, \t, \r and \\.
std::string Unescape(std::string_view value) {
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        switch (value[++i]) {
            case 's':
                text += ' ';
                break;
            case 'n':
                text += '\n';
                break;
            case 't':
                text += '\t';
                break;
            case 'r':
                text += '\r';
                break;
            default:
                text += value[i];
                break;
        }
    }
    return text;
}

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::optional<std::vector<std::string>> SplitExec(std::string_view exec) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    bool fieldCode = false;  // the word held a field code, which takes the word away
    const auto endWord = [&] {
        if (inWord && !fieldCode) words.push_back(word);
        word.clear();
        inWord = fieldCode = false;
    };
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (c == '%' && i + 1 < exec.size()) {
            // "%%" is a percent sign, quoted or not; any other code takes its word away.
            inWord = true;
            if (exec[++i] == '%') {
                word += '%';
            } else {
                fieldCode = true;
            }
        } else if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\' && i + 1 < exec.size()) {
                word += exec[++i];
            } else {
                word += c;
            }
        } else if (c == ' ' || c == '\t') {
            endWord();
        } else if (c == '"') {
            quoted = inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) return std::nullopt;
    endWord();
    return words;
}

std::optional<DesktopEntry> ReadDesktopEntry(const std::string& file) {
    std::ifstream in(file);
    if (!in) return std::nullopt;
    DesktopEntry entry;
    std::string type;
    std::optional<std::vector<std::string>> exec;
    bool inGroup = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string_view text = Trimmed(line);
        if (text.empty() || text.front() == '#') continue;
        if (text.front() == '[') {
            // Only the first group's keys count; later groups are actions.
            if (inGroup) break;
            inGroup = text == "[Desktop Entry]";
            continue;
        }
        const auto equals = text.find('=');
        if (!inGroup || equals == std::string_view::npos) continue;
        const std::string_view key = Trimmed(text.substr(0, equals));
        const std::string value = Unescape(Trimmed(text.substr(equals + 1)));
        if (key == "Name") {
            entry.name = value;
        } else if (key == "Icon") {
            entry.icon = value;
        } else if (key == "Type") {
            type = value;
        } else if (key == "Exec") {
            exec = SplitExec(value);
        } else if ((key == "Hidden" || key == "NoDisplay") && value == "true") {
            entry.hidden = true;
        }
    }
    if (type != "Application" || !exec || exec->empty()) return std::nullopt;
    entry.exec = std::move(*exec);
    return entry;
}

}  // namespace zolvantek::platform
