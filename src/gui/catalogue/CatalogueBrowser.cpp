#include "catalogue/CatalogueBrowser.h"

#include <QDesktopServices>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "dialogs/ModalRunner.h"
#include "widgets/WindowFit.h"

namespace pelmo {

QLabel* DetailText(QWidget* parent, const char* name, int boldPixels) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (boldPixels > 0) {
        QFont f = l->font();
        f.setBold(true);
        f.setPixelSize(boldPixels);
        l->setFont(f);
    }
    return l;
}

namespace {

// Pauses choosing after a wheel turn so that scrolling chooses nothing.
constexpr int WheelPauseMs = 300;

bool IsWebLink(const QUrl& url) {
    return url.isValid() && (url.scheme() == "http" || url.scheme() == "https") && !url.host().isEmpty();
}

}  // namespace

std::function<bool(const QUrl&)>& TCatalogueBrowser::UrlOpener() {
    static std::function<bool(const QUrl&)> opener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return opener;
}

TCatalogueBrowser::TCatalogueBrowser(TSession& session, TPartsCatalogue& catalogue, QWidget* parent, QSize minimum,
                                     int pictureSize)
    : QDialog(parent), session_(session), catalogue_(catalogue) {
    setWindowTitle("Pelmo Parts Browser");
    minimum_ = minimum;
    setSizeGripEnabled(true);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 6);
    auto* top = new QHBoxLayout;
    pbPix_ = new QLabel(this);
    pbPix_->setObjectName("pbPix");
    pbPix_->setFixedSize(pictureSize, pictureSize);
    pbPix_->setFrameShape(QFrame::Box);
    top->addWidget(pbPix_, 0, Qt::AlignTop);
    details_ = new QVBoxLayout;
    details_->setSpacing(2);
    top->addLayout(details_, 1);
    auto* buttons = new QVBoxLayout;
    btnOk_ = new QPushButton("Ok", this);
    btnOk_->setObjectName("btnOk");
    btnDeselect_ = new QPushButton("deselect\npart", this);
    btnDeselect_->setObjectName("btnDeselect");
    btnWebsite_ = new QPushButton("Website", this);
    btnWebsite_->setObjectName("btnWebsite");
    for (QPushButton* b : {btnOk_, btnDeselect_, btnWebsite_}) {
        b->setAutoDefault(false);
        b->setMinimumWidth(90);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    top->addLayout(buttons);
    column->addLayout(top);

    filters_ = new QHBoxLayout;
    filters_->setSpacing(10);
    column->addLayout(filters_);
    auto* text = new QHBoxLayout;
    text->addWidget(new QLabel("Filter:", this));
    eFilter_ = new QLineEdit(this);
    eFilter_->setObjectName("eFilter");
    eFilter_->setPlaceholderText("words in the part number, model or description");
    eFilter_->setClearButtonEnabled(true);
    text->addWidget(eFilter_, 1);
    column->addLayout(text);

    grid_ = new QTableWidget(this);
    grid_->setObjectName("sgParts");
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    grid_->setWordWrap(false);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setDefaultSectionSize(24);
    grid_->horizontalHeader()->setSectionsClickable(true);
    grid_->horizontalHeader()->setHighlightSections(false);
    grid_->horizontalHeader()->setStretchLastSection(true);
    grid_->setAlternatingRowColors(true);
    grid_->viewport()->installEventFilter(this);
    column->addWidget(grid_, 1);
    stEmpty_ = new QLabel(
        "The parts lists are empty. Edit > Options... > \"Check for Parts updates now\" fetches the catalogue "
        "(the generic catalogue that comes with Pelmo needs no network).",
        this);
    stEmpty_->setObjectName("stEmpty");
    stEmpty_->setWordWrap(true);
    stEmpty_->hide();
    column->addWidget(stEmpty_);

    pause_.setSingleShot(true);
    pause_.setInterval(WheelPauseMs);

    connect(grid_, &QTableWidget::currentCellChanged, this, [this](int row, int, int previous, int) {
        if (row != previous) RowChanged(row);
    });
    connect(grid_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        Choose(row);
        btnOk_->click();
    });
    connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this, &TCatalogueBrowser::HeadingClicked);
    connect(eFilter_, &QLineEdit::textChanged, this, [this] { Fill(false); });
    connect(btnOk_, &QPushButton::clicked, this, [this] {
        outcome_ = TOutcome::Chosen;
        accept();
    });
    connect(btnDeselect_, &QPushButton::clicked, this, [this] {
        outcome_ = TOutcome::Deselected;
        reject();
    });
    connect(btnWebsite_, &QPushButton::clicked, this, &TCatalogueBrowser::OpenWebsite);
}

int TCatalogueBrowser::EntryOfRow(int row) const {
    return row >= 0 && row < static_cast<int>(entries_.size())
               ? static_cast<int>(entries_[static_cast<std::size_t>(row)])
               : -1;
}

int TCatalogueBrowser::RowOfEntry(std::size_t entry) const {
    for (std::size_t r = 0; r < entries_.size(); ++r)
        if (entries_[r] == entry) return static_cast<int>(r);
    return -1;
}

void TCatalogueBrowser::ShowRows(const QStringList& headings, const std::vector<QStringList>& cells,
                                 const TBrowseRows& rows, bool opening) {
    const int keep = opening ? -1 : EntryOfRow(grid_->currentRow());
    applying_ = false;
    grid_->clearContents();
    grid_->setColumnCount(static_cast<int>(headings.size()));
    grid_->setHorizontalHeaderLabels(headings);
    grid_->setRowCount(static_cast<int>(cells.size()));
    for (int r = 0; r < static_cast<int>(cells.size()); ++r)
        for (int c = 0; c < cells[static_cast<std::size_t>(r)].size(); ++c)
            grid_->setItem(r, c, new QTableWidgetItem(cells[static_cast<std::size_t>(r)][c]));
    entries_ = rows.Entries;
    auto* header = grid_->horizontalHeader();
    header->setSortIndicatorShown(sort_.Column >= 0);
    if (sort_.Column >= 0)
        header->setSortIndicator(sort_.Column, sort_.Descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    if (opening) grid_->resizeColumnsToContents();

    grid_->setCurrentItem(nullptr);
    grid_->clearSelection();
    if (!opening) {
        // A refill keeps what was current, without copying it again.
        const int row = keep >= 0 ? RowOfEntry(static_cast<std::size_t>(keep)) : -1;
        if (row >= 0) {
            grid_->setCurrentCell(row, 0);
            grid_->scrollToItem(grid_->item(row, 0), QAbstractItemView::PositionAtCenter);
        }
    } else if (rows.Current >= 0 && rows.Select) {
        grid_->setCurrentCell(rows.Current, 0);
        grid_->scrollToItem(grid_->item(rows.Current, 0), QAbstractItemView::PositionAtCenter);
        // The element's own part number is copied again; a nearby value is
        // only shown.
        if (rows.Matched) Apply(entries_[static_cast<std::size_t>(rows.Current)]);
        ShowEntry(static_cast<int>(entries_[static_cast<std::size_t>(rows.Current)]));
    } else if (rows.Current >= 0) {
        const QModelIndex index = grid_->model()->index(rows.Current, 0);
        grid_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        grid_->scrollTo(index, QAbstractItemView::PositionAtCenter);
    }
    applying_ = true;
}

void TCatalogueBrowser::RowChanged(int row) {
    const int entry = EntryOfRow(row);
    if (entry < 0) return;
    if (applying_) Apply(static_cast<std::size_t>(entry));
    ShowEntry(entry);
}

void TCatalogueBrowser::Apply(std::size_t entry) {
    ApplyEntry(entry);
    appliedEntry_ = static_cast<int>(entry);
}

void TCatalogueBrowser::Choose(int row) {
    const int entry = EntryOfRow(row);
    if (entry < 0) return;
    grid_->setCurrentCell(row, 0);
    // A row that was current without being chosen (the element's nearest
    // value) is chosen now.
    if (appliedEntry_ != entry) Apply(static_cast<std::size_t>(entry));
    ShowEntry(entry);
}

void TCatalogueBrowser::ShowEntry(int entry) {
    shownEntry_ = entry;
    const bool web = entry >= 0 && IsWebLink(QUrl(QString::fromStdString(WebLink(static_cast<std::size_t>(entry))),
                                                  QUrl::StrictMode));
    btnWebsite_->setVisible(web);
    FillDetails(entry);
}

void TCatalogueBrowser::HeadingClicked(int column) {
    // Ascending, descending, then the catalogue's own order again.
    if (sort_.Column != column) {
        sort_ = {column, false};
    } else if (!sort_.Descending) {
        sort_.Descending = true;
    } else {
        sort_ = {};
    }
    Fill(false);
}

void TCatalogueBrowser::OpenWebsite() {
    if (shownEntry_ < 0) return;
    const QUrl url(QString::fromStdString(WebLink(static_cast<std::size_t>(shownEntry_))), QUrl::StrictMode);
    if (!IsWebLink(url)) return;
    UrlOpener()(url);
}

void TCatalogueBrowser::ShowPicture(const std::string& path) {
    QPixmap pm(pbPix_->size());
    QImage image;
    if (!path.empty() && image.load(QString::fromStdString(path))) {
        pm = QPixmap::fromImage(image.scaled(pbPix_->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    } else {
        pm.fill(Qt::white);
        DrawStockPicture(pm);
    }
    pbPix_->setPixmap(pm);
}

void TCatalogueBrowser::ShowEmptyNote(bool empty) { stEmpty_->setVisible(empty); }

TCatalogueBrowser::TOutcome TCatalogueBrowser::Run(bool elementHasPartNumber) {
    outcome_ = TOutcome::Cancelled;
    hasPartNumber_ = elementHasPartNumber;
    appliedEntry_ = -1;
    shownEntry_ = -1;
    pause_.stop();
    wheelRest_ = 0;
    Fill(true);
    // Its smallest size, or larger where the filter boxes' captions need it.
    SetSizeAtLeast(*this, minimum_, false);
    ExecModal(*this);
    if (outcome_ != TOutcome::Chosen) Restore();
    return outcome_;
}

void TCatalogueBrowser::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    grid_->setFocus();
    if (!hasPartNumber_) {
        shownEntry_ = -1;
        ShowEntry(-1);
    }
}

void TCatalogueBrowser::keyPressEvent(QKeyEvent* event) {
    // Enter in the grid is "Ok"; in the text filter it only filters.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !eFilter_->hasFocus()) {
        btnOk_->click();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return;
    QDialog::keyPressEvent(event);
}

bool TCatalogueBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_->viewport()) {
        switch (event->type()) {
            case QEvent::Wheel: {
                auto* w = static_cast<QWheelEvent*>(event);
                wheelRest_ += w->angleDelta().y();
                const int notches = wheelRest_ / 120;
                wheelRest_ -= notches * 120;
                if (notches != 0) {
                    QScrollBar* bar = grid_->verticalScrollBar();
                    bar->setValue(bar->value() - notches);
                }
                pause_.start();
                return true;
            }
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
                if (pause_.isActive()) return true;
                break;
            default:
                break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace pelmo
