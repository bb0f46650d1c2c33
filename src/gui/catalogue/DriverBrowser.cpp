#include "gui/catalogue/DriverBrowser.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

#include "document/Session.h"
#include "gui/catalogue/PartsCatalogue.h"
#include "gui/sheet/SheetPainter.h"
#include "model/Design.h"
#include "values/NumberFormat.h"

namespace pelmo {

namespace {

template <std::size_t N>
void AddBoxes(QWidget* parent, QBoxLayout* row, const char* title, std::array<QCheckBox*, N>& boxes,
              const std::array<const char*, N>& captions, const char* prefix) {
    row->addWidget(new QLabel(title, parent));
    for (std::size_t i = 0; i < N; ++i) {
        boxes[i] = new QCheckBox(captions[i], parent);
        boxes[i]->setObjectName(QString("%1%2").arg(prefix).arg(i));
        boxes[i]->setChecked(true);
        row->addWidget(boxes[i]);
    }
    row->addSpacing(12);
}

}  // namespace

TDriverBrowser::TDriverBrowser(TSession& session, TPartsCatalogue& catalogue, QWidget* parent)
    : TCatalogueBrowser(session, catalogue, parent, QSize(934, 290), 140) {
    setObjectName("DrvFinderForm");
    resize(1100, 520);
    stVendor_ = DetailText(this, "stVendor", 18);
    stModel_ = DetailText(this, "stModel", 18);
    stData_ = DetailText(this, "stData");
    stDescription_ = DetailText(this, "stDescription");
    stDescription_->setWordWrap(true);
    for (QLabel* l : {stVendor_, stModel_, stData_, stDescription_}) details_->addWidget(l);
    details_->addStretch(1);

    AddBoxes(this, filters_, "Type:", cbTypes_, DriverTypeCaptions, "cbType");
    AddBoxes(this, filters_, "Use:", cbUses_, DriverUseCaptions, "cbUse");
    AddBoxes(this, filters_, "Size:", cbSizes_, DriverSizeCaptions, "cbSize");
    filters_->addStretch(1);
    for (QCheckBox* b : cbTypes_) connect(b, &QCheckBox::clicked, this, [this] { Fill(false); });
    for (QCheckBox* b : cbUses_) connect(b, &QCheckBox::clicked, this, [this] { Fill(false); });
    for (QCheckBox* b : cbSizes_) connect(b, &QCheckBox::clicked, this, [this] { Fill(false); });
}

TDriver* TDriverBrowser::Driver() {
    TDesign& d = session_.Design();
    if (index_ < 0 || index_ >= static_cast<int>(d.Drivers.size())) return nullptr;
    return d.Drivers[static_cast<std::size_t>(index_)].get();
}

TCatalogueBrowser::TOutcome TDriverBrowser::Browse(int driverIndex) {
    TDesign& d = session_.Design();
    if (driverIndex < 0 || driverIndex >= static_cast<int>(d.Drivers.size())) return TOutcome::Cancelled;
    index_ = driverIndex;
    before_ = *d.Drivers[static_cast<std::size_t>(driverIndex)];
    // Every opening shows every driver.
    for (QCheckBox* b : cbTypes_) b->setChecked(true);
    for (QCheckBox* b : cbUses_) b->setChecked(true);
    for (QCheckBox* b : cbSizes_) b->setChecked(true);
    FilterField()->blockSignals(true);
    FilterField()->clear();
    FilterField()->blockSignals(false);
    const TOutcome outcome = Run(!before_->PartNumber.empty());
    before_.reset();
    return outcome;
}

void TDriverBrowser::Fill(bool opening) {
    const TDriver* drv = Driver();
    if (!drv) return;
    TDriverFilter filter;
    for (std::size_t i = 0; i < cbTypes_.size(); ++i) filter.Types[i] = cbTypes_[i]->isChecked();
    for (std::size_t i = 0; i < cbUses_.size(); ++i) filter.Uses[i] = cbUses_[i]->isChecked();
    for (std::size_t i = 0; i < cbSizes_.size(); ++i) filter.Sizes[i] = cbSizes_[i]->isChecked();
    filter.Text = FilterField()->text().toStdString();
    const TCatalogueDrivers& list = catalogue_.Lists().Drivers;
    const TBrowseRows rows = DriverRows(list, filter, drv->PartNumber, sort_);

    QStringList headings;
    for (TDriverColumn c : DriverColumns()) headings << QString::fromStdString(DriverColumnTitle(c));
    std::vector<QStringList> cells;
    cells.reserve(rows.Entries.size());
    for (std::size_t e : rows.Entries) {
        QStringList row;
        for (TDriverColumn c : DriverColumns()) row << QString::fromStdString(DriverCell(list.Items[e], c));
        cells.push_back(std::move(row));
    }
    ShowRows(headings, cells, rows, opening);
    ShowEmptyNote(list.Items.empty());
}

void TDriverBrowser::ApplyEntry(std::size_t entry) {
    TDriver* drv = Driver();
    const TCatalogueDrivers& list = catalogue_.Lists().Drivers;
    if (!drv || entry >= list.Items.size()) return;
    ApplyCatalogueDriver(session_.Design(), *drv, list.Items[entry], catalogue_.Folder(), session_.Messages());
    session_.Design().Modified = true;
    session_.Solve();
    if (Applied) Applied();
}

void TDriverBrowser::FillDetails(int entry) {
    const TCatalogueDrivers& list = catalogue_.Lists().Drivers;
    if (entry < 0 || entry >= static_cast<int>(list.Items.size())) {
        for (QLabel* l : {stVendor_, stModel_, stData_, stDescription_}) l->clear();
        ShowPicture("");
        return;
    }
    const TCatalogueDriver& d = list.Items[static_cast<std::size_t>(entry)];
    stVendor_->setText(QString::fromStdString(d.Vendor + "  " + d.PartNumber));
    stModel_->setText(QString::fromStdString(d.Manufacturer.empty() ? d.Model : d.Manufacturer + " " + d.Model));
    std::string data = DriverCell(d, TDriverColumn::Impedance) + ", " + DriverCell(d, TDriverColumn::Sensitivity) +
                       " dB SPL at 2.83 V/1 m, " + DriverCell(d, TDriverColumn::MaxPower) + " W, " +
                       DriverCell(d, TDriverColumn::NominalDia) + " in, " + DriverCell(d, TDriverColumn::FLow) +
                       " to " + DriverCell(d, TDriverColumn::FHigh) + " Hz";
    if (d.ResponseCount > 1) data += "; " + std::to_string(d.ResponseCount) + " responses (on and off axis)";
    stData_->setText(QString::fromStdString(data));
    stDescription_->setText(QString::fromStdString(d.Description));
    ShowPicture(catalogue_.DriverPicture(d.PartNumber, d.Vendor));
}

std::string TDriverBrowser::WebLink(std::size_t entry) const {
    const TCatalogueDrivers& list = catalogue_.Lists().Drivers;
    return entry < list.Items.size() ? list.Items[entry].WebLink : "";
}

void TDriverBrowser::DrawStockPicture(QPixmap& pm) {
    QPainter painter(&pm);
    TSheetPainter sp(painter, 14, *session_.Design().Metrics);
    sp.DrawDriverSymbol(QPoint(pm.width() / 2 - 8, pm.height() / 2 + 5), SheetColour::Black);
}

void TDriverBrowser::Restore() {
    TDriver* drv = Driver();
    if (!drv || !before_) return;
    *drv = *before_;  // nothing else changed the driver while the browser was up
    session_.Solve();
    if (Applied) Applied();
}

}  // namespace pelmo
