#pragma once

namespace zolvantek::platform {

// Lets what the program prints reach the console it was started from. A Windows GUI
// program gets none of its own: this attaches it to its parent's console, where there is
// one, for the streams the system left without a destination (output redirected to a
// file or pipe keeps going there). Started from Explorer, nothing changes. Other systems
// always hand the program the terminal it was started from. Call it before printing.
void UseParentConsole();

}  // namespace zolvantek::platform
