#include "platform/program_file.h"

#include <windows.h>
// After windows.h, which they build on.
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <string_view>

namespace zolvantek::platform {
namespace {

// The longest argument text a command line can hold.
constexpr int kArgumentsSize = 32768;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string FileName(const std::string& path) {
    const auto separator = path.find_last_of("\\/");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string Extension(const std::string& name) {
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : Lower(name.substr(dot));
}

std::string WithoutExtension(const std::string& name) {
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// What CreateProcess starts by itself; anything else needs a handler the launch does not use.
bool IsProgramFile(const std::string& path) {
    const std::string extension = Extension(FileName(path));
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return (extension == ".exe" || extension == ".com") && attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

template <typename Interface>
struct Released {
    Interface* pointer = nullptr;
    ~Released() {
        if (pointer != nullptr) pointer->Release();
    }
};

// The program a shell link starts and its arguments, read without resolving the link (which
// could search the disk or change the file).
std::optional<ProgramFile> ReadShellLink(const std::string& file) {
    // The GUI thread has its apartment already; another thread gets one for this call.
    const HRESULT apartment = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    struct Uninitialize {
        bool owned;
        ~Uninitialize() {
            if (owned) CoUninitialize();
        }
    } uninitialize{SUCCEEDED(apartment)};

    Released<IShellLinkA> link;
    Released<IPersistFile> persist;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link.pointer))) ||
        FAILED(link.pointer->QueryInterface(IID_IPersistFile,
                                            reinterpret_cast<void**>(&persist.pointer)))) {
        return std::nullopt;
    }
    const int wideSize = MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, nullptr, 0);
    if (wideSize <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(wideSize), L'\0');
    MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide.data(), wideSize);
    if (FAILED(persist.pointer->Load(wide.c_str(), STGM_READ))) return std::nullopt;

    std::string target(MAX_PATH, '\0');
    // An installer's advertised link names no file: S_FALSE and an empty path.
    if (link.pointer->GetPath(target.data(), MAX_PATH, nullptr, 0) != S_OK) return std::nullopt;
    target.resize(std::char_traits<char>::length(target.c_str()));
    if (!IsProgramFile(target)) return std::nullopt;
    std::string arguments(kArgumentsSize, '\0');
    if (FAILED(link.pointer->GetArguments(arguments.data(), kArgumentsSize))) arguments.clear();
    arguments.resize(std::char_traits<char>::length(arguments.c_str()));
    return ProgramFile{WithoutExtension(FileName(file)), target, arguments};
}

}  // namespace

std::optional<ProgramFile> ReadProgramFile(const std::string& file) {
    if (Extension(FileName(file)) == ".lnk") return ReadShellLink(file);
    if (!IsProgramFile(file)) return std::nullopt;
    return ProgramFile{WithoutExtension(FileName(file)), file, {}};
}

}  // namespace zolvantek::platform
