#include "document/Document.h"

#include "document/DataFolder.h"

namespace pelmo {

std::string CaptionFor(const std::string& fileName) {
    if (fileName.empty()) return ProgramTitle;
    return std::string(ProgramTitle) + " -- " + ExtractFileName(fileName);
}

}  // namespace pelmo
