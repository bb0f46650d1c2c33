// Writing the design file.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

#include "base/MessageSink.h"
#include "base/Paths.h"
#include "base/TextCodec.h"
#include "base/TextFile.h"
#include "files/DesignFile.h"
#include "files/ValueLines.h"
#include "model/Design.h"
#include "model/StepModes.h"

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

// The gain as the file shows it: 20 log10 |g|, with the very small and very
// large limits of the program's dB conversion.
double GainToDb(double gain) {
    const double m = std::fabs(gain);
    if (m < 1e-25) return -2000000.0;
    if (m > 1e25) return 2000000.0;
    return 20.0 * (std::log(m) * 0.434294481904);
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
std::optional<std::vector<std::string>> EmbeddedLines(const std::string& path) {
    auto lines = ReadTextLines(path);
    if (!lines) return std::nullopt;
    for (std::string& l : *lines)
        if (l.rfind("**END ", 0) == 0) l.insert(l.begin(), ' ');
    return lines;
}

// What one driver embeds, decided before its lines are written because the
// name lines come first.
struct TDriverEmbeds {
    std::string FRDName, ZMAName, AcousticName;
    std::optional<std::vector<std::string>> Acoustic;
    std::vector<TEmbedded> Responses;
    std::optional<std::vector<std::string>> Impedance;
};

// The response files of a driver: its FRD file first, then the files of the
// same driver beside it, "<stem>.frd" and "<stem>@<anything>.frd" (off-axis
// and variant responses; letter case ignored), in name order. The stem is the
// FRD file's name without extension, cut before a first "@", so a driver
// whose file is "woofer@0.frd" (as catalogue drivers have) takes its whole
// set. False when the folder cannot be listed.
bool ListResponseFiles(const TDriver& drv, std::vector<std::string>& files) {
    files.clear();
    files.push_back(drv.FRDFile);
    const std::string folder = ExtractFilePath(drv.FRDFile);
    const std::string stem = UpperCase(SetStem(ExtractFileName(drv.FRDFile)));
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return false;
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
    const std::string main = UpperCase(drv.FRDFile);
    for (const std::string& n : names)
        if (UpperCase(folder + n) != main) files.push_back(folder + n);
    return true;
}

// Decides the embedded files and their names for one driver. False on a
// failed listing ("save error") or an unreadable file.
bool PlanDriver(TDriver& drv, TEmbedNames& names, TDriverEmbeds& plan, bool& listingFailed) {
    const bool hasFrd = IsRegularFile(drv.FRDFile);
    const bool hasZma = IsRegularFile(drv.ZMAFile);
    const bool hasAcoustic = !drv.AcousticFile.empty() && IsRegularFile(drv.AcousticFile);

    std::vector<std::string> responses;
    if (hasFrd) {
        if (!ListResponseFiles(drv, responses)) {
            listingFailed = true;
            return false;
        }
        drv.FRDFolder.clear();
    }

    plan.FRDName = hasFrd ? names.NameFor(drv.FRDFile, ExtractFileName(drv.FRDFile)) : ExtractFileName(drv.FRDFile);
    plan.ZMAName = hasZma ? names.NameFor(drv.ZMAFile, ExtractFileName(drv.ZMAFile)) : ExtractFileName(drv.ZMAFile);
    plan.AcousticName = hasAcoustic ? names.NameFor(drv.AcousticFile, ExtractFileName(drv.AcousticFile))
                                    : ExtractFileName(drv.AcousticFile);

    if (hasAcoustic) {
        plan.Acoustic = EmbeddedLines(drv.AcousticFile);
        if (!plan.Acoustic) return false;
    }

    // The main file may have been renamed ("woofer~2@0.frd"); its set follows it.
    const std::string setStem = SetStem(ExtractFileName(drv.FRDFile));
    const std::string givenStem = SetStem(plan.FRDName);
    for (const std::string& file : responses) {
        if (names.Embedded(file)) continue;
        std::string preferred = ExtractFileName(file);
        if (givenStem != setStem) preferred = givenStem + preferred.substr(setStem.size());
        const std::string name = names.NameFor(file, preferred);
        auto lines = EmbeddedLines(file);
        if (!lines) return false;
        names.MarkEmbedded(file);
        if (lines->empty()) continue;  // an empty file gets no block
        plan.Responses.push_back({name, std::move(*lines)});
    }

    if (hasZma && !names.Embedded(drv.ZMAFile)) {
        plan.Impedance = EmbeddedLines(drv.ZMAFile);
        if (!plan.Impedance) return false;
        names.MarkEmbedded(drv.ZMAFile);
    }
    return true;
}

void WriteSource(const TDesign& d, TLineWriter& w) {
    const TSource& s = d.Source;
    w.Add("1 //VoltageSource");
    w.Add("7 //Lines");
    w.Value(FileReal(s.Vrms), "Vrms");
    w.Value(FileBool(s.Inverted), "Inverted");
    w.Value(FileInt(s.Position.X), "position X");
    w.Value(FileInt(s.Position.Y), "position Y");
    w.Value(FileReal(d.OverallDelay), "overall delay");
    w.Value(FileReal(s.Power), "Power");
    w.Value(FileReal(s.Ohms), "Ohms for Power level");
}

void WriteBlocks(const TDesign& d, TLineWriter& w) {
    w.Add(FileInt(static_cast<long long>(d.Blocks.size())) + " //Subckts");
    w.Add("27 //Lines Per Subckt");
    for (std::size_t i = 0; i < d.Blocks.size(); ++i) {
        const TSubCkt& b = *d.Blocks[i];
        w.Add("  " + b.Title + " //Title subckt#" + std::to_string(i));
        w.Add(b.VarExpression[0]);
        w.Add(b.VarExpression[1]);
        for (int v = 0; v < BlockVarCount; ++v) {
            w.Add(b.VarName[v] + " //Var Name " + std::to_string(v));
            w.Add("  " + FileReal(b.VarValue[v]) + " //Var Val" + std::to_string(v));
            w.Add(b.VarDesc[v]);
        }
        for (int v = 0; v < BlockVarCount; ++v)
            w.Add(std::string(b.VarStepMode[v] == smLog ? "  0" : "  1") + " //stepmode " + std::to_string(v));
    }
}

void WritePassives(const TDesign& d, TLineWriter& w) {
    w.Add(FileInt(static_cast<long long>(d.Parts.size())) + " //Passives");
    w.Add("20 //Lines Per Passive");
    for (const auto& pp : d.Parts) {
        const TPart& p = *pp;
        w.Add(" " + FileInt(p.PartType) + " //PartType");
        w.Add(" " + FileInt(p.RefDes) + " //RefDes");
        w.Value(p.PartNumber, "Part#");
        w.Value(FileReal(IsBound(p) ? p.BoundValue : p.Value), "Value");
        w.Value(FileReal(IsBound(p) ? p.BoundESR : p.ESR), "ESR");
        w.Value(FileReal(p.Rating), "Rating");
        w.Value(FileInt(p.Position.X), "position X");
        w.Value(FileInt(p.Position.Y), "position Y");
        w.Add("  " + FileBool(p.IsHorizontal) + "  //Is Horizontal");
        w.Value(FileInt(p.StepMode), "StepMode");
        w.Value(FileInt(p.State), "0short/1val/2open");
        w.Value(FileInt(p.Subckt), "Subckt#,-1 if none");
        if (p.Subckt == -1) {
            w.Add("  //No Subckt equation1");
            w.Add("  //No Subckt equation2");
        } else {
            w.Add(TrimBlanks(p.Equation1));
            w.Add(TrimBlanks(p.Equation2));
        }
        w.Add("  " + FileBool(p.IsHighSpec) + "  //Is HighSpec");
        w.Value(FileReal(p.SpecTolerance), "Specd component manuf tolerance");
        w.Value(FileReal(p.SearchTolerance), "Search tolerance for nom values");
        w.Value(FileReal(p.ESRSearchTolerance), "ESR tolerance for search");
        w.Value(FileReal(p.ChosenTolerance), "Tolerance of chosen part tol");
        w.Value(p.Vendor, "vendor of part number");
    }
}

void WriteGroundsWiresTexts(const TDesign& d, TLineWriter& w) {
    w.Add(FileInt(static_cast<long long>(d.Grounds.size())) + " //Grounds");
    w.Add("3 //Lines Per Ground");
    for (const auto& g : d.Grounds) {
        w.Add(" " + FileInt(g->Position.X) + " //position X");
        w.Value(FileInt(g->Position.Y), "position Y");
        w.Value(FileInt(g->Subckt), "Subckt#,-1 if none");
    }
    w.Add(FileInt(static_cast<long long>(d.Wires.size())) + " //Wires");
    w.Add("5 //Lines Per Wire");
    for (const auto& wire : d.Wires) {
        w.Add(" " + FileInt(wire->End1.X) + " //End1 X");
        w.Value(FileInt(wire->End1.Y), "End1 Y");
        w.Value(FileInt(wire->End2.X), "End2 X");
        w.Value(FileInt(wire->End2.Y), "End2 Y");
        w.Value(FileInt(wire->Subckt), "Subckt#,-1 if none");
    }
    w.Add(FileInt(static_cast<long long>(d.Texts.size())) + " //Texts");
    w.Add("6 //Lines Per Text");
    for (const auto& t : d.Texts) {
        w.Add(t->Text);
        w.Value(FileInt(t->Position.X), "position X");
        w.Value(FileInt(t->Position.Y), "position Y");
        w.Value(FileInt(t->Size), "Size");
        w.Value(FileInt(t->Color), "color");
        w.Value(FileInt(t->Subckt), "Subckt#,-1 if none");
    }
}

void WriteDriver(const TDriver& drv, std::size_t i, const TDriverEmbeds& plan, TLineWriter& w) {
    const std::string n = std::to_string(i);
    w.Add("!Driver " + n);
    w.Value(FileInt(drv.RefDes), "RefDes");
    w.Value(drv.Name, "Name");
    w.Value(drv.PartNumber, "PartNumber");
    w.Value(FileInt(drv.Position.X), "position X");
    w.Value(FileInt(drv.Position.Y), "position Y");
    w.Value(FileBool(drv.Inverted), "Inverted");
    w.Value(FileBool(drv.Muted), "Muted");
    w.Value(FileReal(drv.Rating), "Rating");
    w.Value(FileReal(GainToDb(drv.Gain)), "dBGain");
    w.Value(FileReal(drv.Delay), "Delay");
    w.Value(FileReal(drv.Xoffs), "Xoffs");
    w.Value(FileReal(drv.Yoffs), "Yoffs");
    w.Value(FileReal(drv.Zoffs), "Zoffs");
    w.Value(FileReal(drv.Htilt), "Htilt");
    w.Value(FileReal(drv.Vtilt), "Vtilt");
    w.Value(FileReal(drv.dia), "dia");
    w.Value(plan.FRDName, "FRD filename");
    w.Value(plan.ZMAName, "ZMA filename");
    w.Value(FileBool(drv.HilbertPhase), "Phase from Hilbert transform");
    w.Value(FileReal(drv.HilbertLowFreq), "Lower Hilbert extrapolation frequency");
    w.Value(FileReal(drv.HilbertHighFreq), "Upper Hilbert extrapolation frequency");
    w.Value(FileReal(drv.HilbertLowSlope), "Lower Extrapolation slope");
    w.Value(FileReal(drv.HilbertHighSlope), "Upper Extrapolation slope");
    w.Value(FileBool(drv.HilbertInvert), "Invert Hilbert phase if used");
    w.Value(FileReal(drv.HilbertDelay), "Hilbert Delay to add");
    w.Value(FileBool(drv.UseAcousticModel), "get acoust info from a model");
    w.Value(plan.AcousticName, "ACOUstic FRD filename");
    w.Value(drv.Vendor, "Vendor name");
    w.Add("  " + FileReal(drv.NominalDia) + "  //Nominal Dia.");
    w.Add("  " + FileReal(drv.RectHeight) + "  //rectang. Ht");
    w.Add("  " + FileReal(drv.RectWidth) + "  //rectang. Wt");
    w.Value(drv.Description, "");

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

std::string SupportFolderFor(const std::string& designPath) {
    const std::string name = ExtractFileName(designPath);
    const std::string ext = SplitExtension(name).second;
    const std::string title = ext.empty() ? name : name.substr(0, name.find(ext));
    return ExtractFilePath(designPath) + "!FRD&ZMA/Data!" + title + "/";
}

std::string SafeEmbeddedName(const std::string& name) {
    const auto cut = name.find_last_of("/\\");
    std::string last = cut == std::string::npos ? name : name.substr(cut + 1);
    if (last.empty() || last == "." || last == ".." || last.find('\0') != std::string::npos) return {};
    return last;
}

bool BuildDesignLines(TDesign& d, std::vector<std::string>& lines, MessageSink& messages) {
    TLineWriter w;
    WriteSource(d, w);
    WriteBlocks(d, w);
    WritePassives(d, w);
    WriteGroundsWiresTexts(d, w);

    w.Add(FileInt(static_cast<long long>(d.Drivers.size())) + " //Drivers");
    w.Add("33 //Lines Per Driver");
    TEmbedNames names;
    for (std::size_t i = 0; i < d.Drivers.size(); ++i) {
        TDriverEmbeds plan;
        bool listingFailed = false;
        if (!PlanDriver(*d.Drivers[i], names, plan, listingFailed)) {
            if (listingFailed) messages.ShowMessage(SaveErrorText);
            return false;
        }
        WriteDriver(*d.Drivers[i], i, plan, w);
    }
    w.Add("1 //Setup");
    w.Add("0 //Lines");
    lines = w.Lines();
    return true;
}

bool WriteDesign(TDesign& d, const std::string& path, MessageSink& messages) {
    std::vector<std::string> lines;
    if (!BuildDesignLines(d, lines, messages)) return false;
    return WriteTextLines(path, lines);
}

}  // namespace pelmo
