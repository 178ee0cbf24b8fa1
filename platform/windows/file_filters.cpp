#include "platform/file_filters.h"

namespace zolvantek::platform {

std::vector<std::string> ProgramFileFilters() { return {"Programs (*.exe)", "All files (*.*)"}; }

std::string ProgramDefaultSuffix() { return "exe"; }

std::vector<std::string> ArgumentFileFilters() { return {"All files (*.*)"}; }

}  // namespace zolvantek::platform
