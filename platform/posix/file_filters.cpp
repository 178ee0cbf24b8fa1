#include "platform/file_filters.h"

namespace zolvantek::platform {

std::vector<std::string> ProgramFileFilters() { return {"All files (*)", "Programs (*.exe)"}; }

std::string ProgramDefaultSuffix() { return {}; }

std::vector<std::string> ArgumentFileFilters() { return {"All files (*)"}; }

}  // namespace zolvantek::platform
