#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/unit/session_places.h"

namespace zolvantek::test_support {
namespace {

std::string MakeTempDir(const char* word) {
    std::string dir = (std::filesystem::temp_directory_path() / word).string() + "-XXXXXX";
    return mkdtemp(dir.data()) != nullptr ? dir : std::string();
}

}  // namespace

PrivateRuntimeDir::PrivateRuntimeDir() : dir_(MakeTempDir("zolvantek-runtime")) {
    if (const char* saved = std::getenv("XDG_RUNTIME_DIR")) {
        saved_ = saved;
        hadSaved_ = true;
    }
    setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
}

PrivateRuntimeDir::~PrivateRuntimeDir() {
    if (hadSaved_) {
        setenv("XDG_RUNTIME_DIR", saved_.c_str(), 1);
    } else {
        unsetenv("XDG_RUNTIME_DIR");
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

AutostartPlace::AutostartPlace() : path_(MakeTempDir("zolvantek-autostart") + "/autostart") {}

AutostartPlace::~AutostartPlace() {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(path_).parent_path(), ignored);
}

std::string AutostartPlace::program() const { return "/opt/My Tools/100%/zolvantek$1"; }

// The Exec line of the entry, as written.
std::string AutostartPlace::StoredCommand(const platform::Autostart& autostart) const {
    std::ifstream file(autostart.Location());
    std::string line;
    while (std::getline(file, line)) {
        if (line.rfind("Exec=", 0) == 0) return line.substr(5);
    }
    return {};
}

// Quoted for the blank, '%' doubled, '$' escaped, and the escape's backslash doubled again
// as every desktop entry string value has it.
std::string AutostartPlace::ExpectedCommand() const {
    return R"("/opt/My Tools/100%%/zolvantek\\$1")";
}

}  // namespace zolvantek::test_support
