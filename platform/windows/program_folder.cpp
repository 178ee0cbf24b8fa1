#include "platform/program_folder.h"

#include <windows.h>

#include <vector>

namespace zolvantek::platform {

std::string ProgramFile() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::string(buffer.data(), length);
        // Cut short: try again with room for the longest path the system allows.
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 4);
    }
}

std::string ProgramFolder() {
    const std::string file = ProgramFile();
    const auto cut = file.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : file.substr(0, cut);
}

}  // namespace zolvantek::platform
