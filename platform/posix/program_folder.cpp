#include "platform/program_folder.h"

#include <unistd.h>

#include <vector>

namespace zolvantek::platform {

std::string ProgramFile() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length <= 0) return {};
        if (static_cast<std::size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        }
        // Possibly cut short: readlink does not say, so ask again with more room.
        if (buffer.size() >= (1u << 20)) return {};
        buffer.resize(buffer.size() * 4);
    }
}

std::string ProgramFolder() {
    const std::string file = ProgramFile();
    const auto cut = file.find_last_of('/');
    if (cut == std::string::npos) return {};
    return cut == 0 ? std::string("/") : file.substr(0, cut);
}

}  // namespace zolvantek::platform
