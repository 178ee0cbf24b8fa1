#pragma once

#include <optional>
#include <string>

namespace zolvantek::platform {

// A file that stands for a program the launch can start: the program itself (an executable;
// on Windows an .exe or .com), or what names one (an XDG desktop entry; on Windows a shell
// link, .lnk).
struct ProgramFile {
    std::string name;     // what the person calls it: the entry's or link's name, else the file's
    std::string program;  // the path to store
    std::string
        arguments;  // argument text, written so that the launch splits it back into the words
};

// Nothing when the file is none of these, or names no program.
std::optional<ProgramFile> ReadProgramFile(const std::string& file);

}  // namespace zolvantek::platform
