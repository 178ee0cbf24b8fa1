#include "platform/program_folder.h"

#include <windows.h>

#include <vector>

namespace zolvantek::platform {

std::string ProgramFolder() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            const std::string file(buffer.data(), length);
            const auto cut = file.find_last_of("\\/");
            return cut == std::string::npos ? std::string() : file.substr(0, cut);
        }
        // Cut short: try again with room for the longest path the system allows.
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 4);
    }
}

}  // namespace zolvantek::platform
