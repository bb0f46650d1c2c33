#include "gui/catalogue/PartBrowser.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include "document/Session.h"
#include "gui/catalogue/PartsCatalogue.h"
#include "gui/sheet/SheetPainter.h"
#include "model/Design.h"

namespace pelmo {

TPartBrowser::TPartBrowser(TSession& session, TPartsCatalogue& catalogue, QWidget* parent)
    : TCatalogueBrowser(session, catalogue, parent, QSize(614, 290), 109) {
    setObjectName("PartFinderForm");
    resize(860, 480);
    stVendor_ = DetailText(this, "stVendor", 16);
    stValue_ = DetailText(this, "stValue", 16);
    stTolerance_ = DetailText(this, "stTolerance");
    stRating_ = DetailText(this, "stRating");
    stDescription_ = DetailText(this, "stDescription");
    stDescription_->setWordWrap(true);
    details_->addWidget(stVendor_);
    details_->addWidget(stValue_);
    auto* row = new QHBoxLayout;
    row->addWidget(stTolerance_);
    row->addWidget(stRating_);
    row->addStretch(1);
    details_->addLayout(row);
    details_->addWidget(stDescription_);
    details_->addStretch(1);
    for (std::size_t i = 0; i < cbTypes_.size(); ++i) {
        cbTypes_[i] = new QCheckBox(this);
        cbTypes_[i]->setObjectName(QString("cbType%1").arg(i));
        cbTypes_[i]->setChecked(true);
        filters_->addWidget(cbTypes_[i]);
        connect(cbTypes_[i], &QCheckBox::clicked, this, [this] { Fill(false); });
    }
    filters_->addStretch(1);
}

TPart* TPartBrowser::Part() {
    TDesign& d = session_.Design();
    if (index_ < 0 || index_ >= static_cast<int>(d.Parts.size())) return nullptr;
    TPart* p = d.Parts[static_cast<std::size_t>(index_)].get();
    return p->PartType == type_ ? p : nullptr;
}

const TPassives& TPartBrowser::List() const { return catalogue_.Lists().Passives(PassiveKindOf(type_)); }

TCatalogueBrowser::TOutcome TPartBrowser::Browse(int partIndex) {
    TDesign& d = session_.Design();
    if (partIndex < 0 || partIndex >= static_cast<int>(d.Parts.size())) return TOutcome::Cancelled;
    index_ = partIndex;
    type_ = d.Parts[static_cast<std::size_t>(partIndex)]->PartType;
    before_ = *d.Parts[static_cast<std::size_t>(partIndex)];
    // Every opening shows every type.
    const auto captions = PassiveFilterCaptions(PassiveKindOf(type_));
    for (std::size_t i = 0; i < cbTypes_.size(); ++i) {
        cbTypes_[i]->setText(QString::fromStdString(captions[i]));
        cbTypes_[i]->setChecked(true);
    }
    FilterField()->blockSignals(true);
    FilterField()->clear();
    FilterField()->blockSignals(false);
    const TOutcome outcome = Run(!before_->PartNumber.empty());
    before_.reset();
    return outcome;
}

void TPartBrowser::Fill(bool opening) {
    const TPart* p = Part();
    if (!p) return;
    const TPassiveKind kind = PassiveKindOf(type_);
    TPassiveFilter filter;
    for (std::size_t i = 0; i < cbTypes_.size(); ++i) filter.Types[i] = cbTypes_[i]->isChecked();
    filter.Text = FilterField()->text().toStdString();
    // The part's value when it is free, the catalogue part's when it is bound.
    const double target = p->PartNumber.empty() ? p->Value : p->BoundValue;
    const TPassives& list = List();
    const TBrowseRows rows = PassiveRows(list, filter, target, p->PartNumber, sort_);

    QStringList headings;
    const auto columns = PassiveColumns(kind);
    for (TPassiveColumn c : columns) headings << QString::fromStdString(PassiveColumnTitle(kind, c));
    std::vector<QStringList> cells;
    cells.reserve(rows.Entries.size());
    for (std::size_t e : rows.Entries) {
        QStringList row;
        for (TPassiveColumn c : columns) row << QString::fromStdString(PassiveCell(kind, list.Items[e], c));
        cells.push_back(std::move(row));
    }
    ShowRows(headings, cells, rows, opening);
    ShowEmptyNote(list.Items.empty());
}

void TPartBrowser::ApplyEntry(std::size_t entry) {
    TPart* p = Part();
    const TPassives& list = List();
    if (!p || entry >= list.Items.size()) return;
    ApplyPassive(*p, list.Items[entry]);
    session_.Design().Modified = true;
    session_.Solve();
    if (Applied) Applied();
}

void TPartBrowser::FillDetails(int entry) {
    const TPassives& list = List();
    if (entry < 0 || entry >= static_cast<int>(list.Items.size())) {
        for (QLabel* l : {stVendor_, stValue_, stTolerance_, stRating_, stDescription_}) l->clear();
        ShowPicture("");
        return;
    }
    const TPassive& p = list.Items[static_cast<std::size_t>(entry)];
    const TPassiveDetails d = PassiveDetailsOf(list.Kind, p);
    stVendor_->setText(QString::fromStdString(d.VendorAndPartNumber));
    stValue_->setText(QString::fromStdString(d.Value));
    stTolerance_->setText(d.Tolerance.empty() ? "" : "tolerance " + QString::fromStdString(d.Tolerance));
    stRating_->setText(d.Rating.empty() ? "" : "rating " + QString::fromStdString(d.Rating));
    stDescription_->setText(QString::fromStdString(d.Description));
    ShowPicture(catalogue_.PassivePicture(list.Kind, p.PartNumber, p.Vendor));
}

std::string TPartBrowser::WebLink(std::size_t entry) const {
    const TPassives& list = List();
    return entry < list.Items.size() ? list.Items[entry].WebLink : "";
}

void TPartBrowser::DrawStockPicture(QPixmap& pm) {
    // The part's own symbol, as the component dialog draws it.
    QPainter painter(&pm);
    TSheetPainter sp(painter, 16, *session_.Design().Metrics);
    sp.DrawPartSymbol(QPoint(pm.width() / 2, pm.height() / 2), SheetColour::Black, type_, true);
}

void TPartBrowser::Restore() {
    TPart* p = Part();
    if (!p || !before_) return;
    *p = *before_;  // nothing else changed the part while the browser was up
    session_.Solve();
    if (Applied) Applied();
}

}  // namespace pelmo
