#include "document/Document.h"

#include "base/Paths.h"
#include "model/Design.h"

namespace pelmo {

std::string CaptionFor(const std::string& fileName, bool unsaved) {
    const std::string star = unsaved ? "*" : "";
    if (fileName.empty()) return star + ProgramTitle;
    return std::string(ProgramTitle) + " -- " + star + ExtractFileName(fileName);
}

std::string MainCaption(const TDesign& d) {
    return d.BlockDesignMode ? BlockDesignCaption : CaptionFor(d.FileName, d.Modified);
}

}  // namespace pelmo
