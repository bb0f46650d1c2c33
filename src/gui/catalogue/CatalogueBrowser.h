#pragma once

#include <QDialog>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "catalogue/CatalogueBrowse.h"

class QBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QUrl;

// What the parts browser and the driver browser share ("Pelmo Parts
// Browser"): a grid of catalogue entries whose columns sort by a click on
// their heading, filter boxes and a text filter, the chosen entry's details
// and picture, and the buttons "Ok", "deselect part" and "Website".
//
// Choosing a row copies the entry into the element at once, so the graphs
// follow while the user browses; "Ok" keeps it, "deselect part" unbinds the
// element, and closing the window any other way brings the element back as
// it was. The mouse wheel scrolls the grid by a row per notch and keeps
// rows from being chosen for 300 ms, so that scrolling chooses nothing.

namespace pelmo {

class TPartsCatalogue;

// A selectable line of the details above a browser's grid; bold at the given
// pixel size for the headline lines (0: the plain font).
QLabel* DetailText(QWidget* parent, const char* name, int boldPixels = 0);
class TSession;

class TCatalogueBrowser : public QDialog {
    Q_OBJECT
public:
    enum class TOutcome { Chosen, Deselected, Cancelled };
    TOutcome Outcome() const { return outcome_; }

    QTableWidget* Grid() const { return grid_; }
    QLineEdit* FilterField() const { return eFilter_; }
    QPushButton* OkButton() const { return btnOk_; }
    QPushButton* DeselectButton() const { return btnDeselect_; }
    QPushButton* WebsiteButton() const { return btnWebsite_; }
    QLabel* Picture() const { return pbPix_; }
    QLabel* EmptyNote() const { return stEmpty_; }
    // The catalogue entry of a grid row (an index into its list), -1 for none.
    int EntryOfRow(int row) const;
    int RowOfEntry(std::size_t entry) const;
    // Whether choosing a row is paused after a wheel turn.
    bool ChoosingPaused() const { return pause_.isActive(); }
    // Opens a web link; tests replace it. Only http and https links reach it.
    static std::function<bool(const QUrl&)>& UrlOpener();

    // After every entry copied into the element (its dialog shows it again).
    std::function<void()> Applied;

protected:
    TCatalogueBrowser(TSession& session, TPartsCatalogue& catalogue, QWidget* parent, QSize minimum, int pictureSize);

    // The entries as rows. `opening`: the row of the element's own part
    // number is chosen (and copied again), else the row of its value is
    // made current; later fills only keep the current entry.
    void ShowRows(const QStringList& headings, const std::vector<QStringList>& cells, const TBrowseRows& rows,
                  bool opening);
    // Fills the grid for the element and shows the browser modally until the
    // user is done with it; brings the element back as it was when the
    // browser was closed without "Ok".
    TOutcome Run(bool elementHasPartNumber);
    // A picture file, or the stock picture the subclass draws.
    void ShowPicture(const std::string& path);
    void ShowEmptyNote(bool empty);

    // Shows an entry's details (-1 clears them) and whether it has a website.
    void ShowEntry(int entry);

    virtual void Fill(bool opening) = 0;
    // Copies the entry into the element and solves.
    virtual void ApplyEntry(std::size_t entry) = 0;
    virtual void FillDetails(int entry) = 0;  // -1 clears them
    virtual std::string WebLink(std::size_t entry) const = 0;
    virtual void DrawStockPicture(QPixmap& pixmap) = 0;
    virtual void Restore() = 0;
    int SortColumn() const { return sort_.Column; }

    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    TSession& session_;
    TPartsCatalogue& catalogue_;
    TBrowseSort sort_;
    QBoxLayout* details_ = nullptr;  // the subclass's detail texts
    QBoxLayout* filters_ = nullptr;  // the subclass's filter boxes, before the text filter

private:
    void RowChanged(int row);
    void Apply(std::size_t entry);
    void Choose(int row);
    void HeadingClicked(int column);
    void OpenWebsite();

    QSize minimum_;
    QTableWidget* grid_ = nullptr;
    QLineEdit* eFilter_ = nullptr;
    QPushButton* btnOk_ = nullptr;
    QPushButton* btnDeselect_ = nullptr;
    QPushButton* btnWebsite_ = nullptr;
    QLabel* pbPix_ = nullptr;
    QLabel* stEmpty_ = nullptr;
    std::vector<std::size_t> entries_;
    TOutcome outcome_ = TOutcome::Cancelled;
    bool applying_ = false;       // choosing a row copies it into the element
    bool hasPartNumber_ = false;  // the element had one when the browser opened
    int shownEntry_ = -1;
    int appliedEntry_ = -1;
    QTimer pause_;
    int wheelRest_ = 0;
};

}  // namespace pelmo
