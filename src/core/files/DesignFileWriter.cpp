// Writing the design file.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <optional>

#include "base/FileProblem.h"
#include "base/MessageSink.h"
#include "base/Paths.h"
#include "base/TextCodec.h"
#include "base/TextFile.h"
#include "files/DesignFile.h"
#include "files/ElementLayouts.h"
#include "files/SetupSection.h"
#include "model/Design.h"

namespace pelmo {

namespace {

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Name without its extension, and the extension with its dot.
std::pair<std::string, std::string> SplitExtension(const std::string& name) {
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return {name, ""};
    return {name.substr(0, dot), name.substr(dot)};
}

// The stem shared by a driver's set of response files: the name without
// extension, cut before a first "@" ("woofer@30.frd" and "woofer.frd" give
// "woofer").
std::string SetStem(const std::string& name) {
    const std::string base = SplitExtension(name).first;
    return base.substr(0, base.find('@'));
}

// An embedded file: its name in the support folder and its lines.
struct TEmbedded {
    std::string Name;
    std::vector<std::string> Lines;
};

// Names of the files embedded in one save. The support folder is a single
// name space (also on media that ignore letter case), so two different files
// with the same name would overwrite each other when the design is read: the
// later one gets a new name, "woofer~2.frd", and the driver's name line says
// so. The same file always keeps the same name.
class TEmbedNames {
public:
    // The name under which `path` is embedded; `preferred` when that is free.
    std::string NameFor(const std::string& path, const std::string& preferred) {
        const std::string key = UpperCase(path);
        if (const auto it = byPath_.find(key); it != byPath_.end()) return it->second;
        std::string name = preferred;
        if (taken_.count(UpperCase(name))) {
            // The mark goes before an "@" so that a set of files keeps one stem.
            const std::string stem = SetStem(preferred);
            for (int k = 2;; ++k) {
                name = stem + "~" + std::to_string(k) + preferred.substr(stem.size());
                if (!taken_.count(UpperCase(name))) break;
            }
        }
        taken_.insert({UpperCase(name), key});
        byPath_[key] = name;
        return name;
    }
    bool Embedded(const std::string& path) const { return embedded_.count(UpperCase(path)) > 0; }
    void MarkEmbedded(const std::string& path) { embedded_[UpperCase(path)] = true; }

private:
    std::map<std::string, std::string> taken_;  // upper-case name -> upper-case path
    std::map<std::string, std::string> byPath_;
    std::map<std::string, bool> embedded_;
};

// Reads a file to embed as UTF-8 lines; nullopt when it cannot be read.
// A line starting "**END " would close the block early when the design is
// read; in a measurement file it is a comment, and a leading blank keeps it
// one while the block stays intact.
std::optional<std::vector<std::string>> EmbeddedLines(const std::string& path, std::string& why) {
    std::string cause;
    auto lines = ReadTextLines(path, &cause);
    if (!lines) {
        why = "cannot read " + path + ": " + cause;
        return std::nullopt;
    }
    for (std::string& l : *lines)
        if (l.rfind("**END ", 0) == 0) l.insert(l.begin(), ' ');
    return lines;
}

// What one driver embeds, decided before its lines are written because the
// name lines come first.
struct TDriverEmbeds {
    TDriverFileNames Names;
    std::optional<std::vector<std::string>> Acoustic;
    std::vector<TEmbedded> Responses;
    std::optional<std::vector<std::string>> Impedance;
};

// The response files of a driver: its FRD file first, then the files of the
// same driver beside it, "<stem>.frd" and "<stem>@<anything>.frd" (off-axis
// and variant responses; letter case ignored), in name order. The stem is the
// FRD file's name without extension, cut before a first "@", so a driver
// whose file is "woofer@0.frd" (as catalogue drivers have) takes its whole
// set. False when the folder cannot be listed (the cause in `why`).
bool ListResponseFiles(const TDriver& drv, std::vector<std::string>& files, std::string& why) {
    files.clear();
    files.push_back(drv.Acoustic.FRDFile);
    const std::string folder = ExtractFilePath(drv.Acoustic.FRDFile);
    const std::string stem = UpperCase(SetStem(ExtractFileName(drv.Acoustic.FRDFile)));
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) {
        why = "cannot list " + (folder.empty() ? std::string(".") : folder) + ": " + SystemErrorText(errno);
        return false;
    }
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        const std::string up = UpperCase(name);
        if (up.size() < 4 || up.compare(up.size() - 4, 4, ".FRD") != 0) continue;
        const bool variant = up.rfind(stem + "@", 0) == 0;
        if (!variant && up != stem + ".FRD") continue;
        if (IsRegularFile(folder + name)) names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    const std::string main = UpperCase(drv.Acoustic.FRDFile);
    for (const std::string& n : names)
        if (UpperCase(folder + n) != main) files.push_back(folder + n);
    return true;
}

// Decides the embedded files and their names for one driver. False on a
// failed listing ("save error") or an unreadable file, with the cause in `why`.
bool PlanDriver(TDriver& drv, TEmbedNames& names, TDriverEmbeds& plan, bool& listingFailed, std::string& why) {
    const bool hasFrd = IsRegularFile(drv.Acoustic.FRDFile);
    const bool hasZma = IsRegularFile(drv.ZMAFile);
    const bool hasAcoustic = !drv.Acoustic.AcousticFile.empty() && IsRegularFile(drv.Acoustic.AcousticFile);

    std::vector<std::string> responses;
    if (hasFrd) {
        if (!ListResponseFiles(drv, responses, why)) {
            listingFailed = true;
            return false;
        }
        drv.Acoustic.FRDFolder.clear();
    }

    TDriverFileNames& n = plan.Names;
    n.FRD = hasFrd ? names.NameFor(drv.Acoustic.FRDFile, ExtractFileName(drv.Acoustic.FRDFile))
                   : ExtractFileName(drv.Acoustic.FRDFile);
    n.ZMA = hasZma ? names.NameFor(drv.ZMAFile, ExtractFileName(drv.ZMAFile)) : ExtractFileName(drv.ZMAFile);
    n.Acoustic = hasAcoustic ? names.NameFor(drv.Acoustic.AcousticFile, ExtractFileName(drv.Acoustic.AcousticFile))
                             : ExtractFileName(drv.Acoustic.AcousticFile);

    if (hasAcoustic) {
        plan.Acoustic = EmbeddedLines(drv.Acoustic.AcousticFile, why);
        if (!plan.Acoustic) return false;
    }

    // The main file may have been renamed ("woofer~2@0.frd"); its set follows it.
    const std::string setStem = SetStem(ExtractFileName(drv.Acoustic.FRDFile));
    const std::string givenStem = SetStem(n.FRD);
    for (const std::string& file : responses) {
        if (names.Embedded(file)) continue;
        std::string preferred = ExtractFileName(file);
        if (givenStem != setStem) preferred = givenStem + preferred.substr(setStem.size());
        const std::string name = names.NameFor(file, preferred);
        auto lines = EmbeddedLines(file, why);
        if (!lines) return false;
        names.MarkEmbedded(file);
        if (lines->empty()) continue;  // an empty file gets no block
        plan.Responses.push_back({name, std::move(*lines)});
    }

    if (hasZma && !names.Embedded(drv.ZMAFile)) {
        plan.Impedance = EmbeddedLines(drv.ZMAFile, why);
        if (!plan.Impedance) return false;
        names.MarkEmbedded(drv.ZMAFile);
    }
    return true;
}

// A driver's fixed lines, then the files it embeds.
void WriteDriver(const TDriver& drv, std::size_t i, const TDriverEmbeds& plan, TLineWriter& w) {
    TLineContext c;
    c.Index = i;
    c.Names = &plan.Names;
    WriteElement(w, DriverLayout(), drv, c);

    const std::string n = std::to_string(i);
    if (plan.Acoustic) {
        w.Add("**ACOU Data for driver " + n);
        for (const std::string& l : *plan.Acoustic) w.Add(l);
        w.Add("**END ACOU Data for driver " + n);
    }
    for (std::size_t k = 0; k < plan.Responses.size(); ++k) {
        const std::string kk = std::to_string(k + 1);
        w.Add("**FRD " + kk + " for driver " + n);
        w.Add(plan.Responses[k].Name + " //frd filename");
        for (const std::string& l : plan.Responses[k].Lines) w.Add(l);
        w.Add("**END FRD " + kk + " for driver " + n);
    }
    if (plan.Impedance) {
        w.Add("**ZMA Data for driver " + n);
        for (const std::string& l : *plan.Impedance) w.Add(l);
        w.Add("**END ZMA Data for driver " + n);
    }
}

}  // namespace

std::string DesignTitle(const std::string& designPath) {
    const std::string name = ExtractFileName(designPath);
    const std::string ext = SplitExtension(name).second;
    return ext.empty() ? name : name.substr(0, name.find(ext));
}

std::string SupportFolderFor(const std::string& designPath) {
    return ExtractFilePath(designPath) + "!FRD&ZMA/Data!" + DesignTitle(designPath) + "/";
}

std::string SafeEmbeddedName(const std::string& name) {
    const auto cut = name.find_last_of("/\\");
    std::string last = cut == std::string::npos ? name : name.substr(cut + 1);
    if (last.empty() || last == "." || last == ".." || last.find('\0') != std::string::npos) return {};
    return last;
}

std::string SupportFilePath(const std::string& supportFolder, const std::string& name) {
    const std::string safe = SafeEmbeddedName(name);
    return safe.empty() ? std::string() : supportFolder + safe;
}

bool BuildDesignLines(TDesign& d, std::vector<std::string>& lines, MessageSink& messages, std::string* why) {
    TLineWriter w;
    WriteSectionHead(w, SourceLayout(), 1);
    WriteElement(w, SourceLayout(), d, {});
    WriteSection(w, DesignBlockLayout(), d.Blocks);
    WriteSection(w, PartLayout(TFileKind::Design), d.Parts);
    WriteSection(w, GroundLayout(TFileKind::Design), d.Grounds);
    WriteSection(w, WireLayout(TFileKind::Design), d.Wires);
    WriteSection(w, TextLayout(TFileKind::Design), d.Texts);

    WriteSectionHead(w, DriverLayout(), d.Drivers.size());
    TEmbedNames names;
    for (std::size_t i = 0; i < d.Drivers.size(); ++i) {
        TDriverEmbeds plan;
        bool listingFailed = false;
        std::string cause;
        if (!PlanDriver(*d.Drivers[i], names, plan, listingFailed, cause)) {
            if (listingFailed) messages.ShowMessage(SaveErrorText);
            SetWhy(why, cause);
            return false;
        }
        WriteDriver(*d.Drivers[i], i, plan, w);
    }
    WriteSetupSection(w, d.Settings);
    lines = w.Lines();
    return true;
}

bool WriteDesign(TDesign& d, const std::string& path, MessageSink& messages, std::string* why) {
    std::vector<std::string> lines;
    if (!BuildDesignLines(d, lines, messages, why)) return false;
    return WriteTextLines(path, lines, true, why);
}

}  // namespace pelmo
