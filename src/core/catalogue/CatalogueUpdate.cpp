#include "catalogue/CatalogueUpdate.h"

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include "base/Paths.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "catalogue/CatalogueUrls.h"

namespace pelmo {

namespace fs = std::filesystem;

double DefaultCatalogueESR(TPassiveKind kind, const std::string& typeCode, double value) {
    if (kind == TPassiveKind::Capacitor) {
        if (!(value > 0)) return 0;
        const double k = typeCode == "N" ? 10.0 : typeCode == "M" ? 0.3 : 0.1;
        return k * 1.59 / value;
    }
    if (kind == TPassiveKind::Inductor) {
        if (typeCode == "A") return value / 3;
        if (typeCode == "S") return value / 2.5 * 0.2;
        return value / 2.7 * 0.6;
    }
    return 0;
}

std::string CatalogueTypeCode(TPassiveKind kind, const std::string& serverCode) {
    const std::string code = UpperCase(TrimBlanks(serverCode));
    if (code.empty()) return kind == TPassiveKind::Resistor ? "S" : "N";
    if (code.size() == 1 && std::string(PassiveTypeCodes(kind)).find(code) != std::string::npos) return code;
    return kind == TPassiveKind::Capacitor ? "N" : "A";
}

namespace {

// Thrown between downloads once the caller has cancelled.
struct UpdateCancelled {};

// The base URLs of one category line.
struct TCategoryBases {
    std::string Pictures, Web, Frd, Zma, Tsp;
};

// The lines of a server file, without a header line (one that starts with a
// double quote) and without blank lines.
std::vector<std::string> ServerLines(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i == 0 && !lines[i].empty() && lines[i].front() == '"') continue;
        if (TrimBlanks(lines[i]).empty()) continue;
        out.push_back(lines[i]);
    }
    return out;
}

std::string EntryKey(const std::string& vendor, const std::string& partNumber) {
    return UpperCase(vendor) + "\n" + UpperCase(partNumber);
}

template <class Item, class LineFn>
TListChanges CompareLists(const std::vector<Item>& before, const std::vector<Item>& after, LineFn line) {
    std::map<std::string, std::string> old;
    for (Item e : before) {
        e.Date = 0;
        old[EntryKey(e.Vendor, e.PartNumber)] = line(e);
    }
    TListChanges c;
    std::set<std::string> kept;
    for (Item e : after) {
        e.Date = 0;
        const std::string key = EntryKey(e.Vendor, e.PartNumber);
        const auto it = old.find(key);
        if (it == old.end()) {
            ++c.Added;
        } else {
            kept.insert(key);
            if (it->second != line(e)) ++c.Updated;
        }
    }
    c.Removed = static_cast<int>(old.size() - kept.size());
    return c;
}

class CatalogueUpdater {
public:
    CatalogueUpdater(const std::string& partsFolder, const std::string& server, Downloader& downloader,
                     const TUpdateProgressFn& progress, const std::atomic<bool>* cancelled,
                     const TCatalogueUpdateOptions& options)
        : parts_(partsFolder),
          server_(server),
          downloader_(downloader),
          progress_(progress),
          cancelled_(cancelled),
          options_(options),
          today_(options.Today ? options.Today : TodayCatalogueDate()) {}

    ~CatalogueUpdater() {
        if (!staging_.empty()) {
            std::error_code ec;
            fs::remove_all(staging_, ec);
        }
    }

    TCatalogueUpdateSummary Run() {
        TListReadReport local;
        summary_.Lists = ReadCatalogue(parts_, &local);
        summary_.LocalBadLines = local.BadLines;
        try {
            Update();
        } catch (const UpdateCancelled&) {
            summary_.Outcome = TUpdateOutcome::Cancelled;
            summary_.Message.clear();
            summary_.Lists = before_;
        }
        return std::move(summary_);
    }

private:
    void Update() {
        before_ = summary_.Lists;
        if (!MakeStaging()) {
            summary_.Outcome = TUpdateOutcome::WriteFailed;
            summary_.Notes.push_back("cannot create a working folder in " + parts_);
            return;
        }
        const std::string indexUrl = CatalogueIndexUrl(server_);
        allowFileUrls_ = IsFileUrl(indexUrl);
        const std::string indexPath = work_ + "DeCoderRing.pmd";
        Report("", indexUrl, 0, 0);
        const TDownloadResult got = Download(indexUrl, indexPath);
        if (!got.Ok()) {
            const bool none = got.State == TDownloadResult::Status::NoConnection;
            Stop(none ? TUpdateOutcome::NoConnection : TUpdateOutcome::NoServer,
                 none ? NoInternetMessage : NoServerMessage, "index " + indexUrl + ": " + got.Error);
            return;
        }
        TCatalogue& cat = summary_.Lists;
        cat.Vendors.Date = today_;

        const auto indexLines = ServerLines(ReadTextLines(indexPath).value_or(std::vector<std::string>{}));
        double vendorCount = 0;
        if (!indexLines.empty()) {
            TFieldReader r(indexLines[0]);
            vendorCount = r.Number();
            if (!r.Ok()) vendorCount = 0;
        }
        if (!(vendorCount >= 1)) {
            Stop(TUpdateOutcome::NoData, NoCatalogueDataMessage, "the index names no vendor");
            return;
        }
        const std::size_t lines = std::min<std::size_t>(indexLines.size() - 1, static_cast<std::size_t>(vendorCount));
        for (std::size_t i = 0; i < lines; ++i)
            UpdateVendor(indexLines[i + 1], indexUrl, static_cast<int>(i + 1), static_cast<int>(lines));

        Commit();
    }

    void Stop(TUpdateOutcome outcome, const char* message, const std::string& note) {
        summary_.Outcome = outcome;
        summary_.Message = message;
        summary_.Notes.push_back(note);
        summary_.Lists = before_;
    }

    bool MakeStaging() {
        if (!CreateFolderWithParents(parts_)) return false;
        // Working folders that a run which never finished (killed, power
        // cut) left behind; an hour is far beyond any running update.
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(parts_, ec)) {
            std::error_code e2;
            const std::string name = e.path().filename().string();
            if (name.rfind(".update-", 0) != 0 || !e.is_directory(e2)) continue;
            const auto age = fs::file_time_type::clock::now() - fs::last_write_time(e.path(), e2);
            if (!e2 && age > std::chrono::hours(1)) fs::remove_all(e.path(), e2);
        }
        std::string tmpl = parts_ + ".update-XXXXXX";
        if (!::mkdtemp(tmpl.data())) return false;
        staging_ = tmpl + "/";
        work_ = staging_ + "work/";
        files_ = staging_ + "files/";
        return CreateFolderWithParents(work_) && CreateFolderWithParents(files_);
    }

    void Report(const std::string& vendor, const std::string& url, int index, int count) {
        if (progress_) progress_({vendor, url, index, count});
    }

    void CheckCancel() const {
        if (cancelled_ && cancelled_->load()) throw UpdateCancelled{};
    }

    // A URL from a server file that may be fetched: a file URL only when the
    // server itself is a folder on this machine.
    bool Usable(const std::string& url) const { return IsValidUrl(url) && (allowFileUrls_ || !IsFileUrl(url)); }

    TDownloadResult Download(std::string url, const std::string& target) {
        CheckCancel();
        if (url.find("://") == std::string::npos) url = "http://" + url;
        TDownloadResult r;
        if (!Usable(url)) {
            r.Error = "not a usable URL: " + url;
        } else {
            r = downloader_.Get(url, target);
            if (r.State == TDownloadResult::Status::Cancelled) throw UpdateCancelled{};
        }
        if (!r.Ok()) ++summary_.FailedDownloads;
        return r;
    }

    // --------------------------------------------------------------- vendors

    TVendorInfo& FindOrAddVendor(const std::string& name) {
        for (TVendorInfo& v : summary_.Lists.Vendors.Items)
            if (SameTextIgnoringCase(v.Name, name)) return v;
        TVendorInfo v;
        v.Name = name;
        summary_.Lists.Vendors.Items.push_back(v);
        return summary_.Lists.Vendors.Items.back();
    }

    void UpdateVendor(const std::string& line, const std::string& indexUrl, int index, int count) {
        TFieldReader r(line);
        const std::string name = UpperCase(TrimBlanks(r.Text()));
        const std::string text2 = UpperCase(r.Text());
        const std::string status = UpperCase(TrimBlanks(r.Text()));
        if (!r.Ok() || name.empty()) {
            ++summary_.BadLines;
            summary_.Notes.push_back("index: a vendor line that does not parse");
            return;
        }
        // The vendor list is searched again after every change: entries move.
        {
            TVendorInfo& v = FindOrAddVendor(name);
            v.Text2 = text2;
            v.Active = status == "Y";
            v.Delete = status == "DELETE";
        }
        TCatalogue& cat = summary_.Lists;
        if (status == "DELETE") {
            for (TPassiveKind kind : {TPassiveKind::Capacitor, TPassiveKind::Inductor, TPassiveKind::Resistor}) {
                auto& items = cat.Passives(kind).Items;
                std::erase_if(items, [&](const TPassive& p) { return SameTextIgnoringCase(p.Vendor, name); });
            }
            return;
        }
        if (status != "Y") return;
        const std::string text3 = r.Text();
        const std::string datesUrl = ResolveRelativeUrl(indexUrl, TrimBlanks(r.Text()));
        FindOrAddVendor(name).Text3 = text3;

        Report(name, datesUrl, index, count);
        const std::string datesPath = work_ + "LocDatesFile.pmd";
        const TDownloadResult got = Download(datesUrl, datesPath);
        if (!got.Ok()) {
            summary_.Notes.push_back(name + ": dates file " + datesUrl + ": " + got.Error);
            return;
        }
        const auto dates = ServerLines(ReadTextLines(datesPath).value_or(std::vector<std::string>{}));
        std::error_code ec;
        fs::remove(datesPath, ec);
        // The first line is the file's own date; one line per category follows.
        for (int c = 0; c < 4 && static_cast<std::size_t>(c) + 1 < dates.size(); ++c) {
            TFieldReader f(dates[c + 1]);
            const std::string categoryUrl = ResolveRelativeUrl(datesUrl, TrimBlanks(f.Text()));
            TCategoryBases bases;
            bases.Pictures = Base(f.Text(), datesUrl, "x.jpg");
            bases.Web = Base(f.Text(), datesUrl, "x.jpg");
            if (c == static_cast<int>(TCategory::Drivers)) {
                bases.Frd = Base(f.Text(), datesUrl, "x.frd");
                bases.Zma = Base(f.Text(), datesUrl, "x.zma");
                bases.Tsp = Base(f.Text(), datesUrl, "x.tsp");
            }
            if (!Usable(categoryUrl)) continue;
            MergeCategory(name, static_cast<TCategory>(c), categoryUrl, bases, index, count);
        }
    }

    // A base URL ending in exactly one "/", or "" when it would not make a
    // usable URL.
    std::string Base(const std::string& field, const std::string& fileUrl, const char* probe) const {
        std::string base = ResolveRelativeUrl(fileUrl, TrimBlanks(field));
        if (base.empty() || !Usable(base + probe)) return "";
        while (!base.empty() && base.back() == '/') base.pop_back();
        return base + "/";
    }

    // ------------------------------------------------------------ categories

    void MergeCategory(const std::string& vendor, TCategory category, const std::string& url,
                       const TCategoryBases& bases, int index, int count) {
        const int c = static_cast<int>(category);
        Report(vendor, url, index, count);
        const std::string path = work_ + (category == TCategory::Drivers ? "Drivers.pmd" : "PartFile.pmd");
        const TDownloadResult got = Download(url, path);
        if (!got.Ok()) {
            summary_.Notes.push_back(vendor + ": " + url + ": " + got.Error);
            return;
        }
        const auto lines = ServerLines(ReadTextLines(path).value_or(std::vector<std::string>{}));
        std::error_code ec;
        fs::remove(path, ec);
        if (lines.empty()) {
            summary_.Notes.push_back(vendor + ": " + url + ": empty");
            return;
        }
        TFieldReader head(lines[0]);
        const TCatalogueDate fileDate = head.Date();
        const TCatalogueDate stored = FindOrAddVendor(vendor).Dates[c];
        if (!head.Ok() || fileDate > today_ || fileDate < stored) {
            if (!head.Ok()) summary_.Notes.push_back(vendor + ": " + url + ": no date in the first line");
            return;
        }

        int bad = 0;
        TCatalogue& cat = summary_.Lists;
        if (category == TCategory::Drivers) {
            for (TDrv& d : cat.Drivers.Items)
                if (SameTextIgnoringCase(d.Vendor, vendor)) d.Seen = false;
            for (std::size_t i = 1; i < lines.size(); ++i)
                if (!MergeDriverLine(vendor, lines[i], bases)) ++bad;
        } else {
            const auto kind = static_cast<TPassiveKind>(c);
            for (TPassive& p : cat.Passives(kind).Items)
                if (SameTextIgnoringCase(p.Vendor, vendor)) p.Seen = false;
            for (std::size_t i = 1; i < lines.size(); ++i)
                if (!MergePassiveLine(vendor, kind, lines[i], bases)) ++bad;
        }
        summary_.BadLines += bad;
        // Only a file that parsed from its first line to its last says which
        // entries the vendor no longer has: a damaged or cut file removes
        // nothing, and is merged again next time.
        if (bad == 0) {
            auto unseen = [&](const auto& e) { return SameTextIgnoringCase(e.Vendor, vendor) && !e.Seen; };
            if (category == TCategory::Drivers)
                std::erase_if(cat.Drivers.Items, unseen);
            else
                std::erase_if(cat.Passives(static_cast<TPassiveKind>(c)).Items, unseen);
            FindOrAddVendor(vendor).Dates[c] = today_;
        } else {
            summary_.Notes.push_back(vendor + ": " + url + ": " + std::to_string(bad) +
                                     " lines skipped, no entry removed");
        }
        if (category == TCategory::Drivers) {
            SortDrivers(cat.Drivers);
            cat.Drivers.Date = today_;
        } else {
            SortPassives(cat.Passives(static_cast<TPassiveKind>(c)));
            cat.Passives(static_cast<TPassiveKind>(c)).Date = today_;
        }
    }

    // The part number and date that start every server line; the index of
    // this vendor's entry of that part number (marked seen) or -1. False when
    // the line is to be left alone: it does not parse (bad), or the entry is
    // newer than the line.
    template <class Item>
    bool LineHead(TFieldReader& r, const std::string& vendor, std::vector<Item>& items, std::string& partNumber,
                  long& found, bool& bad) {
        partNumber = UpperCase(TrimBlanks(r.Text()));
        const TCatalogueDate lineDate = r.Date();
        found = -1;
        bad = false;
        if (!r.Ok() || partNumber.empty()) {
            bad = true;
            return false;
        }
        for (std::size_t i = 0; i < items.size(); ++i)
            if (SameTextIgnoringCase(items[i].Vendor, vendor) &&
                SameTextIgnoringCase(items[i].PartNumber, partNumber)) {
                found = static_cast<long>(i);
                items[i].Seen = true;
                return items[i].Date <= lineDate;
            }
        return true;
    }

    // A URL of an entry: leading "/" dropped; one that is not a URL by itself
    // is taken relative to the base. "" when neither gives a usable URL.
    std::string EntryUrl(const std::string& field, const std::string& base) const {
        std::string url = TrimBlanks(field);
        std::size_t lead = 0;
        while (lead < url.size() && url[lead] == '/') ++lead;
        url.erase(0, lead);
        if (url.empty()) return "";
        if (!Usable(url)) url = base.empty() ? "" : base + url;
        return Usable(url) ? url : "";
    }

    std::string LocalName(const std::string& vendor, const std::string& segment) const {
        return SafeFileName(vendor + "_" + segment);
    }

    // Fetches an entry's file into the staging folder under its local name
    // (once per run); true when it is there.
    bool FetchFile(const std::string& vendor, const std::string& url, const std::string& localName) {
        const auto known = fetched_.find(localName);
        if (known != fetched_.end()) return known->second;
        const TDownloadResult r = Download(url, files_ + localName);
        if (!r.Ok()) summary_.Notes.push_back(vendor + ": " + url + ": " + r.Error);
        fetched_[localName] = r.Ok();
        return r.Ok();
    }

    void FetchPicture(const std::string& vendor, const std::string& field, const std::string& base,
                      std::string& picture) {
        const std::string url = EntryUrl(field, base);
        const std::string segment = LastUrlSegment(url);
        if (url.empty() || !(EndsWithIgnoringCase(segment, ".jpg") || EndsWithIgnoringCase(segment, ".png") ||
                             EndsWithIgnoringCase(segment, ".bmp") || EndsWithIgnoringCase(segment, ".gif")))
            return;
        const std::string local = LocalName(vendor, segment);
        if (FetchFile(vendor, url, local)) picture = local;
    }

    bool MergePassiveLine(const std::string& vendor, TPassiveKind kind, const std::string& line,
                          const TCategoryBases& bases) {
        TFieldReader r(line);
        auto& items = summary_.Lists.Passives(kind).Items;
        std::string partNumber;
        long found = -1;
        bool bad = false;
        if (!LineHead(r, vendor, items, partNumber, found, bad)) return !bad;

        TPassive e;
        if (found >= 0) {
            e = items[static_cast<std::size_t>(found)];
        } else {
            e.PartNumber = partNumber;
            e.Vendor = vendor;
        }
        const std::string code = r.Text();
        e.Value = r.Number();
        e.Tolerance = r.Number();
        if (kind == TPassiveKind::Inductor) e.AWG = r.Number();
        e.Rating = r.Number();
        e.ESR = kind == TPassiveKind::Resistor ? 0 : r.Number();
        e.Manufacturer = r.Text();
        e.Model = r.Text();
        r.Field();
        r.Field();
        e.Description = r.Text();
        const std::string picture = r.Text();
        const std::string web = r.Text();
        e.Cost = r.Number();
        // A part without a value is no part; a capacitor's default ESR would
        // divide by it.
        if (!r.Ok() || !(e.Value > 0)) return false;
        e.TypeCode = CatalogueTypeCode(kind, code);
        if (e.ESR < 1e-6) e.ESR = DefaultCatalogueESR(kind, e.TypeCode, e.Value);
        FetchPicture(vendor, picture, bases.Pictures, e.Picture);
        e.WebLink = EntryUrl(web, bases.Web);
        e.Date = today_;
        e.Seen = true;
        if (found >= 0)
            items[static_cast<std::size_t>(found)] = std::move(e);
        else
            items.push_back(std::move(e));
        return true;
    }

    bool MergeDriverLine(const std::string& vendor, const std::string& line, const TCategoryBases& bases) {
        TFieldReader r(line);
        auto& items = summary_.Lists.Drivers.Items;
        std::string partNumber;
        long found = -1;
        bool bad = false;
        if (!LineHead(r, vendor, items, partNumber, found, bad)) return !bad;

        TDrv e;
        if (found >= 0) {
            e = items[static_cast<std::size_t>(found)];
        } else {
            e.PartNumber = partNumber;
            e.Vendor = vendor;
        }
        e.Manufacturer = r.Text();
        e.Model = r.Text();
        e.TypeLetters = UpperCase(r.Text());
        e.UseLetters = UpperCase(r.Text());
        e.NominalImpedance = r.Number();
        e.FLow = r.Number();
        e.FHigh = r.Number();
        e.MaxPower = r.Number();
        e.Sensitivity = r.Number();
        e.NominalDia = r.Number();
        e.EffectiveDia = r.Number();
        e.RectWidth = r.Number();
        e.RectHeight = r.Number();
        const std::string response = r.Text();
        const std::string zma = r.Text();
        const std::string tsp = r.Text();
        r.Field();
        r.Field();
        e.Description = r.Text();
        const std::string picture = r.Text();
        const std::string web = r.Text();
        e.Cost = r.Number();
        if (!r.Ok()) return false;

        FetchResponse(vendor, EntryUrl(response, bases.Frd), e);
        for (const auto& [field, base, ext, target] : {std::tuple{&zma, &bases.Zma, ".zma", &e.ImpedanceFile},
                                                       std::tuple{&tsp, &bases.Tsp, ".tsp", &e.ParameterFile}}) {
            const std::string url = EntryUrl(*field, *base);
            const std::string segment = LastUrlSegment(url);
            if (url.empty() || !EndsWithIgnoringCase(segment, ext)) continue;
            const std::string local = LocalName(vendor, segment);
            if (FetchFile(vendor, url, local)) *target = local;
        }
        FetchPicture(vendor, picture, bases.Pictures, e.Picture);
        e.WebLink = EntryUrl(web, bases.Web);
        e.Date = today_;
        e.Seen = true;
        if (found >= 0)
            items[static_cast<std::size_t>(found)] = std::move(e);
        else
            items.push_back(std::move(e));
        return true;
    }

    // A single FRD file, or an archive of them unpacked into a folder.
    void FetchResponse(const std::string& vendor, std::string url, TDrv& e) {
        if (url.empty()) return;
        std::string segment = LastUrlSegment(url);
        if (segment.empty()) return;
        if (EndsWithIgnoringCase(segment, ".frd")) {
            const std::string local = LocalName(vendor, segment);
            if (!FetchFile(vendor, url, local)) return;
            e.ResponseFile = local;
            e.ResponseNames.clear();
            e.ResponseCount = 0;
            return;
        }
        if (!EndsWithIgnoringCase(segment, ".zip")) {
            const std::size_t q = url.find_first_of("?#");
            url.insert(q == std::string::npos ? url.size() : q, ".zip");
            segment += ".zip";
        }
        const std::string folderName = LocalName(vendor, segment.substr(0, segment.size() - 4));
        auto known = archives_.find(folderName);
        if (known == archives_.end()) {
            std::vector<std::string> names;
            const std::string archive = work_ + "archive.zip";
            const TDownloadResult got = Download(url, archive);
            if (got.Ok()) {
                const std::string folder = files_ + folderName + "/";
                const TUnpackResult unpacked = UnpackMeasurementArchive(archive, folder, options_.Archive);
                for (const std::string& f : unpacked.Files)
                    if (EndsWithIgnoringCase(f, ".frd")) names.push_back(f);
                if (!unpacked.Ok || names.empty()) {
                    summary_.Notes.push_back(vendor + ": archive " + url + ": " +
                                             (unpacked.Ok ? "no response file in it" : unpacked.Error));
                    ++summary_.FailedDownloads;
                    names.clear();
                    std::error_code ec;
                    fs::remove_all(folder, ec);
                }
            } else {
                summary_.Notes.push_back(vendor + ": archive " + url + ": " + got.Error);
            }
            std::error_code ec;
            fs::remove(archive, ec);
            known = archives_.emplace(folderName, std::move(names)).first;
        }
        if (known->second.empty()) return;
        e.ResponseFile = folderName;
        e.ResponseNames = known->second;
        e.ResponseCount = static_cast<int>(e.ResponseNames.size());
    }

    // ---------------------------------------------------------------- commit

    void Commit() {
        CheckCancel();  // the last moment a cancel leaves everything as it was
        TCatalogue& cat = summary_.Lists;
        for (TPassiveKind kind : {TPassiveKind::Capacitor, TPassiveKind::Inductor, TPassiveKind::Resistor})
            summary_.Changes[static_cast<int>(kind)] =
                CompareLists(before_.Passives(kind).Items, cat.Passives(kind).Items, PassiveLine);
        summary_.Changes[3] = CompareLists(before_.Drivers.Items, cat.Drivers.Items, DriverLine);
        for (TVendorInfo& v : cat.Vendors.Items) v.Delete = false;
        for (auto& p : cat.Capacitors.Items) p.Seen = false;
        for (auto& p : cat.Inductors.Items) p.Seen = false;
        for (auto& p : cat.Resistors.Items) p.Seen = false;
        for (auto& d : cat.Drivers.Items) d.Seen = false;

        // Staged files and folders replace those of the same name.
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(files_, ec)) {
            const fs::path target = fs::path(parts_) / entry.path().filename();
            std::error_code e2;
            if (entry.is_directory(e2)) fs::remove_all(target, e2);
            fs::rename(entry.path(), target, e2);
            if (e2) summary_.Notes.push_back("cannot move " + entry.path().filename().string() + " into place");
        }
        if (WriteCatalogue(parts_, cat)) {
            summary_.Outcome = TUpdateOutcome::Updated;
        } else {
            summary_.Outcome = TUpdateOutcome::WriteFailed;
            summary_.Notes.push_back("cannot write the lists in " + parts_);
        }
    }

    std::string parts_, server_;
    Downloader& downloader_;
    const TUpdateProgressFn& progress_;
    const std::atomic<bool>* cancelled_;
    TCatalogueUpdateOptions options_;
    TCatalogueDate today_;
    std::string staging_, work_, files_;
    bool allowFileUrls_ = false;
    TCatalogue before_;
    TCatalogueUpdateSummary summary_;
    std::map<std::string, bool> fetched_;
    std::map<std::string, std::vector<std::string>> archives_;
};

}  // namespace

TCatalogueUpdateSummary RunCatalogueUpdate(const std::string& partsFolder, const std::string& server,
                                           Downloader& downloader, const TUpdateProgressFn& progress,
                                           const std::atomic<bool>* cancelled, const TCatalogueUpdateOptions& options) {
    std::string folder = partsFolder;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return CatalogueUpdater(folder, server, downloader, progress, cancelled, options).Run();
}

}  // namespace pelmo
