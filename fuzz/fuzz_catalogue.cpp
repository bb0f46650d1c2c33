// The catalogue's line reader must take any text. Every line is read as a
// local capacitor, driver and vendor line: what parses must write out as a
// line that reads back to the same text, and field reads never pass the end.
// The text is also merged as a vendor's category file: the update must end
// with the lists written, or with "no data" when the index is refused, and
// no entry without a part number, vendor or value. The index is a fixed one
// naming the vendor F, unless the input holds a line "@@": then the lines
// before it are the index, and those after it the category file.
#include <cmath>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "FuzzFolder.h"
#include "base/TextFile.h"
#include "catalogue/CatalogueLists.h"
#include "catalogue/CatalogueUpdate.h"

namespace {

using namespace pelmo;

template <class Parse, class Write>
void RoundTrip(const std::string& line, Parse parse, Write write) {
    const auto entry = parse(line);
    if (!entry) return;
    const std::string once = write(*entry);
    const auto again = parse(once);
    if (!again || write(*again) != once) __builtin_trap();
}

// Serves the index, a fixed dates file, and the body as every category file.
class MemoryServer : public Downloader {
public:
    MemoryServer(std::string index, std::string body) : index_(std::move(index)), body_(std::move(body)) {}
    TDownloadResult Get(const std::string& url, const std::string& target) override {
        std::string text;
        TDownloadResult r;
        if (url == "http://f/PmParts/DeCoderRing.pmd")
            text = index_;
        else if (url == "http://f/d.pmd")
            text = "01/01/2020\r\nhttp://f/c,,\r\nhttp://f/l,,\r\nhttp://f/r,,\r\nhttp://f/s,,,,,\r\n";
        else if (url == "http://f/c" || url == "http://f/l" || url == "http://f/r" || url == "http://f/s")
            text = body_;
        else
            r.State = TDownloadResult::Status::HttpError;
        if (r.State != TDownloadResult::Status::HttpError && WriteFileAtomically(target, text, false))
            r.State = TDownloadResult::Status::Ok;
        return r;
    }

private:
    std::string index_, body_;
};

// The index and the category file of an input.
std::pair<std::string, std::string> SplitInput(std::string_view text) {
    std::string index, body;
    bool inIndex = true, split = false;
    for (const std::string& line : SplitLines(text)) {
        if (inIndex && line == "@@") {
            inIndex = false;
            split = true;
            continue;
        }
        (inIndex ? index : body) += line + "\r\n";
    }
    if (!split) return {"1\r\nF,,Y,,http://f/d.pmd\r\n", std::string(text)};
    return {index, body};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const std::string& line : SplitLines(text)) {
        RoundTrip(line, ParsePassiveLine, PassiveLine);
        RoundTrip(line, ParseDriverLine, DriverLine);
        RoundTrip(line, ParseVendorLine, VendorLine);
        TFieldReader r(line);
        std::size_t reads = 0;
        while (!r.AtEnd()) {
            r.Text();
            if (++reads > line.size() + 1) __builtin_trap();
        }
        if (r.Field() != "ERR" || r.Ok()) __builtin_trap();
    }
    if (size > 4096) return 0;  // the merge writes files: keep it quick
    const std::string parts = pelmo::fuzz::FuzzFolder("catalogue") + "PartsLists/";
    std::error_code ec;
    std::filesystem::remove_all(parts, ec);
    auto [index, body] = SplitInput(text);
    MemoryServer server{std::move(index), std::move(body)};
    TCatalogueUpdateOptions options;
    options.Today = CatalogueDateOf(2020, 1, 1);
    const TCatalogueUpdateSummary s = RunCatalogueUpdate(parts, "http://f", server, {}, nullptr, options);
    if (s.Outcome == TUpdateOutcome::NoData && s.Lists.Capacitors.Items.empty()) return 0;
    if (s.Outcome != TUpdateOutcome::Updated) __builtin_trap();
    // Every entry belongs to a vendor of the vendors' list.
    std::set<std::string> vendors;
    for (const TVendorInfo& v : s.Lists.Vendors.Items) vendors.insert(v.Name);
    const auto known = [&](const std::string& vendor) { return !vendor.empty() && vendors.count(vendor) != 0; };
    for (TPassiveKind kind : {TPassiveKind::Capacitor, TPassiveKind::Inductor, TPassiveKind::Resistor})
        for (const TPassive& p : s.Lists.Passives(kind).Items)
            if (p.PartNumber.empty() || !known(p.Vendor) || !(p.Value > 0) || !std::isfinite(p.ESR)) __builtin_trap();
    for (const TCatalogueDriver& d : s.Lists.Drivers.Items)
        if (d.PartNumber.empty() || !known(d.Vendor)) __builtin_trap();
    return 0;
}
