#pragma once

namespace zolvantek::platform {

// What a menu entry's icon stands for.
enum class EntryIconKind {
    Folder,   // a directory that exists
    Program,  // a program, with a picture of its own
    Generic,  // a program without one: the generic executable
    Missing,  // the launch would not find it: the warning sign
};

}  // namespace zolvantek::platform
