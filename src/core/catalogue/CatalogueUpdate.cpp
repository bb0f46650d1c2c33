#include "catalogue/CatalogueUpdate.h"

#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

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

// Thrown between downloads and lines once the caller has cancelled.
struct UpdateCancelled {};

// More vendors than an index file can have lines: a count beyond it is damage.
constexpr double MaxIndexVendors = static_cast<double>(MaxTextLines);

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

// A list line without its second field, the date: what an update changed in
// an entry, its date aside. The first "," that no "^" escapes ends the part
// number.
std::string Undated(const std::string& line) {
    std::size_t end = 0;
    while ((end = line.find(',', end)) != std::string::npos && end > 0 && line[end - 1] == '^') ++end;
    if (end == std::string::npos) return line;
    const std::size_t dateEnd = line.find(',', end + 1);
    return line.substr(0, end + 1) + (dateEnd == std::string::npos ? "" : line.substr(dateEnd));
}

// What changed from `before` to `after`, whose list file lines (a date line
// first) are `afterLines`; `every` is called every few thousand entries.
template <class Item, class LineFn, class Every>
TListChanges CompareLists(const std::vector<Item>& before, const std::vector<Item>& after,
                          const std::vector<std::string>& afterLines, LineFn line, Every every) {
    std::unordered_map<std::string, std::string> old;
    old.reserve(before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (i % UpdateProgressLines == 0) every();
        old[EntryKey(before[i].Vendor, before[i].PartNumber)] = Undated(line(before[i]));
    }
    TListChanges c;
    std::unordered_set<std::string> kept;
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (i % UpdateProgressLines == 0) every();
        std::string key = EntryKey(after[i].Vendor, after[i].PartNumber);
        const auto it = old.find(key);
        if (it == old.end()) {
            ++c.Added;
            continue;
        }
        if (it->second != Undated(afterLines[i + 1])) ++c.Updated;
        kept.insert(std::move(key));
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
        local.Stop = [this] { return Cancelled(); };
        summary_.Lists = ReadCatalogue(parts_, &local);
        summary_.LocalBadLines = local.BadLines;
        try {
            CheckCancel();
            Update();
        } catch (const UpdateCancelled&) {
            summary_.Outcome = TUpdateOutcome::Cancelled;
            summary_.Message.clear();
            if (haveBefore_) summary_.Lists = std::move(before_);
        }
        return std::move(summary_);
    }

private:
    void Update() {
        before_ = summary_.Lists;
        haveBefore_ = true;
        if (!MakeStaging()) {
            Fail("cannot create a working folder in " + parts_);
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

        // From here on a public server's redirects, and those of the
        // vendors' servers it names, stay on the internet.
        downloader_.SetRedirectScope(got.PublicOrigin ? TRedirectScope::PublicOnly : TRedirectScope::Anywhere);

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
        if (vendorCount > MaxIndexVendors) {
            Stop(TUpdateOutcome::NoData, NoCatalogueDataMessage,
                 "the index's vendor count " + FormatListNumber(vendorCount, 0) + " is out of range");
            return;
        }
        const std::size_t lines = std::min<std::size_t>(indexLines.size() - 1, static_cast<std::size_t>(vendorCount));
        for (std::size_t i = 0; i < lines; ++i) {
            EveryFewLines(i, lines, "", indexUrl, 0, 0);
            UpdateVendor(indexLines[i + 1], indexUrl, static_cast<int>(i + 1), static_cast<int>(lines));
        }

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
        if (progress_) progress_({vendor, url, index, count, 0, 0});
    }

    // Before line i of a long file: every UpdateProgressLines lines the
    // progress is told and the cancel looked at.
    void EveryFewLines(std::size_t i, std::size_t lines, const std::string& vendor, const std::string& url, int index,
                       int count) {
        if (i == 0 || i % UpdateProgressLines != 0) return;
        if (progress_) progress_({vendor, url, index, count, i, lines});
        CheckCancel();
    }

    bool Cancelled() const { return cancelled_ && cancelled_->load(); }
    void CheckCancel() const {
        if (Cancelled()) throw UpdateCancelled{};
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

    // The first vendor of that name (ignoring case), added when missing.
    TVendorInfo& FindOrAddVendor(const std::string& name) {
        auto& items = summary_.Lists.Vendors.Items;
        if (vendorAt_.empty())
            for (std::size_t i = 0; i < items.size(); ++i) vendorAt_.emplace(UpperCase(items[i].Name), i);
        const auto [at, added] = vendorAt_.emplace(UpperCase(name), items.size());
        if (added) {
            TVendorInfo v;
            v.Name = name;
            items.push_back(v);
        }
        return items[at->second];
    }

    // A vendor's passives go at the next merge of a passive list, or at the
    // end: until then nothing looks at them, and one pass over the lists
    // serves every vendor deleted in between.
    void RemovePassivesOfDeletedVendors() {
        if (deleted_.empty()) return;
        for (TPassiveKind kind : {TPassiveKind::Capacitor, TPassiveKind::Inductor, TPassiveKind::Resistor})
            std::erase_if(summary_.Lists.Passives(kind).Items,
                          [&](const TPassive& p) { return deleted_.count(UpperCase(p.Vendor)) != 0; });
        deleted_.clear();
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
        if (status == "DELETE") {
            deleted_.insert(name);
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
        RemovePassivesOfDeletedVendors();
        if (category == TCategory::Drivers)
            IndexVendorEntries(cat.Drivers.Items, vendor);
        else
            IndexVendorEntries(cat.Passives(static_cast<TPassiveKind>(c)).Items, vendor);
        for (std::size_t i = 1; i < lines.size(); ++i) {
            EveryFewLines(i - 1, lines.size() - 1, vendor, url, index, count);
            const bool ok = category == TCategory::Drivers
                                ? MergeDriverLine(vendor, lines[i], bases)
                                : MergePassiveLine(vendor, static_cast<TPassiveKind>(c), lines[i], bases);
            if (!ok) ++bad;
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

    // Marks the vendor's entries of the list unseen and notes where the
    // first entry of each of its part numbers (ignoring case) is.
    template <class Item>
    void IndexVendorEntries(std::vector<Item>& items, const std::string& vendor) {
        entryAt_.clear();
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (!SameTextIgnoringCase(items[i].Vendor, vendor)) continue;
            items[i].Seen = false;
            entryAt_.emplace(UpperCase(items[i].PartNumber), i);
        }
    }

    // A line's new entry goes at the end of the list.
    template <class Item>
    void Append(std::vector<Item>& items, Item&& e) {
        entryAt_.emplace(e.PartNumber, items.size());
        items.push_back(std::move(e));
    }

    // The part number and date that start every server line; the index of
    // this vendor's entry of that part number (marked seen) or -1. False when
    // the line is to be left alone: it does not parse (bad), or the entry is
    // newer than the line.
    template <class Item>
    bool LineHead(TFieldReader& r, std::vector<Item>& items, std::string& partNumber, long& found, bool& bad) {
        partNumber = UpperCase(TrimBlanks(r.Text()));
        const TCatalogueDate lineDate = r.Date();
        found = -1;
        bad = false;
        if (!r.Ok() || partNumber.empty()) {
            bad = true;
            return false;
        }
        const auto at = entryAt_.find(partNumber);
        if (at == entryAt_.end()) return true;
        Item& e = items[at->second];
        found = static_cast<long>(at->second);
        e.Seen = true;
        return e.Date <= lineDate;
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
        if (!LineHead(r, items, partNumber, found, bad)) return !bad;

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
            Append(items, std::move(e));
        return true;
    }

    bool MergeDriverLine(const std::string& vendor, const std::string& line, const TCategoryBases& bases) {
        TFieldReader r(line);
        auto& items = summary_.Lists.Drivers.Items;
        std::string partNumber;
        long found = -1;
        bool bad = false;
        if (!LineHead(r, items, partNumber, found, bad)) return !bad;

        TCatalogueDriver e;
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
            Append(items, std::move(e));
        return true;
    }

    // A single FRD file, or an archive of them unpacked into a folder.
    void FetchResponse(const std::string& vendor, std::string url, TCatalogueDriver& e) {
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

    // Writes the lists beside the staged files, then puts them all in place
    // together; when any step fails, every list and file stays as it was.
    void Commit() {
        CheckCancel();
        RemovePassivesOfDeletedVendors();
        TCatalogue& cat = summary_.Lists;
        for (TVendorInfo& v : cat.Vendors.Items) v.Delete = false;
        for (auto& p : cat.Capacitors.Items) p.Seen = false;
        for (auto& p : cat.Inductors.Items) p.Seen = false;
        for (auto& p : cat.Resistors.Items) p.Seen = false;
        for (auto& d : cat.Drivers.Items) d.Seen = false;

        // The staged downloads (in a fixed order), then the lists, the
        // vendors' list with its dates last.
        std::vector<TStagedFile> install;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(files_, ec))
            install.push_back({entry.path().string(), entry.path().filename().string()});
        std::sort(install.begin(), install.end(),
                  [](const TStagedFile& a, const TStagedFile& b) { return a.Name < b.Name; });
        TFileOps& ops = options_.Files ? *options_.Files : RealFileOps();
        const auto stage = [&](const char* name, const std::vector<std::string>& text) {
            CheckCancel();
            const std::string path = work_ + name;
            errno = 0;
            if (!ops.Write(path, EncodeTextLines(text))) {
                const int cause = errno;
                Fail("cannot write " + parts_ + name + ": " + (cause ? std::strerror(cause) : "unknown cause"));
                return false;
            }
            install.push_back({path, name});
            return true;
        };
        // The lines of each list, and what changed in it.
        const auto check = [this] { CheckCancel(); };
        std::array<TListChanges, 4> changes{};
        for (TPassiveKind kind : {TPassiveKind::Capacitor, TPassiveKind::Inductor, TPassiveKind::Resistor}) {
            CheckCancel();
            const auto lines = ListLines(cat.Passives(kind), PassiveLine);
            changes[static_cast<int>(kind)] =
                CompareLists(before_.Passives(kind).Items, cat.Passives(kind).Items, lines, PassiveLine, check);
            if (!stage(PassiveListFileName(kind), lines)) return;
        }
        CheckCancel();
        const auto driverLines = ListLines(cat.Drivers, DriverLine);
        changes[3] = CompareLists(before_.Drivers.Items, cat.Drivers.Items, driverLines, DriverLine, check);
        if (!stage(DriverListFileName, driverLines) || !stage(VendorListFileName, VendorListLines(cat.Vendors))) return;

        CheckCancel();  // the last moment a cancel leaves everything as it was
        const std::string aside = staging_ + "old/";
        std::string error;
        if (!CreateFolderWithParents(aside)) {
            Fail("cannot create a working folder in " + staging_);
            return;
        }
        if (!InstallStaged(install, parts_, aside, ops, error)) {
            Fail(error);
            return;
        }
        summary_.Outcome = TUpdateOutcome::Updated;
        summary_.Changes = changes;
    }

    // The lines of a list file (as PassiveListLines and DriverListLines have
    // them), looking at the cancel every few thousand lines.
    template <class List, class LineFn>
    std::vector<std::string> ListLines(const List& list, LineFn line) {
        std::vector<std::string> lines;
        lines.reserve(list.Items.size() + 1);
        lines.push_back(FormatCatalogueDate(list.Date));
        for (std::size_t i = 0; i < list.Items.size(); ++i) {
            if (i % UpdateProgressLines == 0) CheckCancel();
            lines.push_back(line(list.Items[i]));
        }
        return lines;
    }

    void Fail(const std::string& note) {
        summary_.Outcome = TUpdateOutcome::WriteFailed;
        summary_.Notes.push_back(note);
        summary_.Lists = before_;
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
    bool haveBefore_ = false;
    TCatalogueUpdateSummary summary_;
    std::map<std::string, bool> fetched_;
    std::map<std::string, std::vector<std::string>> archives_;
    std::unordered_map<std::string, std::size_t> vendorAt_;  // upper-case name -> vendor list index
    std::unordered_map<std::string, std::size_t> entryAt_;   // upper-case part number -> list index, one vendor's
    std::unordered_set<std::string> deleted_;                // vendors whose passives are still to go
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
