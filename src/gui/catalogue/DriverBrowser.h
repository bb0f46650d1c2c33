#pragma once

#include <array>
#include <optional>

#include "gui/catalogue/CatalogueBrowser.h"
#include "model/Elements.h"

class QCheckBox;
class QLabel;

// The driver browser: the catalogue's loudspeaker drivers for one driver of
// the design, filtered by type, use and size. A chosen entry gives the
// driver its measured response and impedance, rating, sizes, vendor and
// description.

namespace pelmo {

class TDriverBrowser : public TCatalogueBrowser {
    Q_OBJECT
public:
    TDriverBrowser(TSession& session, TPartsCatalogue& catalogue, QWidget* parent);

    // Browses for the driver at `driverIndex` of the design until the user
    // is done.
    TOutcome Browse(int driverIndex);

    QCheckBox* TypeBox(int i) const { return cbTypes_[static_cast<std::size_t>(i)]; }
    QCheckBox* UseBox(int i) const { return cbUses_[static_cast<std::size_t>(i)]; }
    QCheckBox* SizeBox(int i) const { return cbSizes_[static_cast<std::size_t>(i)]; }
    QLabel* VendorText() const { return stVendor_; }
    QLabel* ModelText() const { return stModel_; }
    QLabel* DataText() const { return stData_; }
    QLabel* DescriptionText() const { return stDescription_; }

protected:
    void Fill(bool opening) override;
    void ApplyEntry(std::size_t entry) override;
    void FillDetails(int entry) override;
    std::string WebLink(std::size_t entry) const override;
    void DrawStockPicture(QPixmap& pixmap) override;
    void Restore() override;

private:
    TDriver* Driver();

    int index_ = -1;
    std::optional<TDriver> before_;
    std::array<QCheckBox*, 4> cbTypes_{};
    std::array<QCheckBox*, 2> cbUses_{};
    std::array<QCheckBox*, 5> cbSizes_{};
    QLabel* stVendor_ = nullptr;
    QLabel* stModel_ = nullptr;
    QLabel* stData_ = nullptr;
    QLabel* stDescription_ = nullptr;
};

}  // namespace pelmo
