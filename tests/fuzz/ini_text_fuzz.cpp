// libFuzzer target for the settings file's reader and writer. For any file, section, name
// and text: a text written reads back unchanged, and a save changes no line it does not
// own (at most the text of one value line, plus new lines put in).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>

#include "platform/posix/ini_text.h"

namespace ini = zolvantek::platform::ini;

namespace {

void Require(bool holds) {
    if (!holds) std::abort();
}

// The part of `before` that `after` no longer has, found as what lies between their common
// beginning and common end.
void RequireOnlyOwnLineChanged(const std::string& before, const std::string& after) {
    std::size_t prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix]) {
        ++prefix;
    }
    std::size_t suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
        ++suffix;
    }
    const std::string changed = before.substr(prefix, before.size() - prefix - suffix);
    if (changed.empty()) return;  // only lines put in
    // Within one line, and after its "=": the text of one value.
    Require(changed.find_first_of("\r\n") == std::string::npos);
    const std::size_t lineStart = before.find_last_of("\r\n", prefix == 0 ? 0 : prefix - 1);
    const std::size_t from = prefix == 0 || lineStart == std::string::npos ? 0 : lineStart + 1;
    Require(before.substr(from, prefix - from).find('=') != std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(16);
    const std::string name = input.ConsumeRandomLengthString(16);
    const std::string text = input.ConsumeRandomLengthString(64);
    const std::string file = input.ConsumeRemainingBytesAsString();

    ini::ReadValues(file, section, {name, "Dir1", "*"});
    if (const auto written = ini::WriteValues(file, section, {{name, text}})) {
        const auto back = ini::ReadValues(*written, section, {name}).front();
        Require(text.empty() ? !back.has_value() : back == text);
        RequireOnlyOwnLineChanged(file, *written);
        // Written again with the same text, nothing changes.
        Require(ini::WriteValues(*written, section, {{name, text}}) == written);
        if (const auto removed = ini::DeleteValue(*written, section, name)) {
            Require(!ini::ReadValues(*removed, section, {name}).front());
        }
    }
    ini::DeleteSection(file, section);
    return 0;
}
