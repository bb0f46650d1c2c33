#include "document/Document.h"

#include "base/Paths.h"
#include "model/Design.h"

namespace pelmo {

std::string CaptionFor(const std::string& fileName) {
    if (fileName.empty()) return ProgramTitle;
    return std::string(ProgramTitle) + " -- " + ExtractFileName(fileName);
}

std::string MainCaption(const TDesign& d) { return d.BlockDesignMode ? BlockDesignCaption : CaptionFor(d.FileName); }

}  // namespace pelmo
