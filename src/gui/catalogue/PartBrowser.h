#pragma once

#include <array>
#include <optional>

#include "gui/catalogue/CatalogueBrowser.h"
#include "model/Elements.h"

class QCheckBox;
class QLabel;

// The parts browser: the catalogue's capacitors, inductors or resistors
// for one part of the design. A chosen entry binds the part: its part
// number, vendor, and the bound value, ESR and rating the solve uses.

namespace pelmo {

class TPartBrowser : public TCatalogueBrowser {
    Q_OBJECT
public:
    TPartBrowser(TSession& session, TPartsCatalogue& catalogue, QWidget* parent);

    // Browses for the part at `partIndex` of the design (a resistor,
    // capacitor or inductor) until the user is done.
    TOutcome Browse(int partIndex);

    QCheckBox* TypeBox(int i) const { return cbTypes_[static_cast<std::size_t>(i)]; }
    QLabel* VendorText() const { return stVendor_; }
    QLabel* ValueText() const { return stValue_; }
    QLabel* ToleranceText() const { return stTolerance_; }
    QLabel* RatingText() const { return stRating_; }
    QLabel* DescriptionText() const { return stDescription_; }

protected:
    void Fill(bool opening) override;
    void ApplyEntry(std::size_t entry) override;
    void FillDetails(int entry) override;
    std::string WebLink(std::size_t entry) const override;
    void DrawStockPicture(QPixmap& pixmap) override;
    void Restore() override;

private:
    TPart* Part();
    const TPassives& List() const;

    int index_ = -1;
    TPartType type_ = TPartType::Resistor;
    std::optional<TPart> before_;
    std::array<QCheckBox*, 3> cbTypes_{};
    QLabel* stVendor_ = nullptr;
    QLabel* stValue_ = nullptr;
    QLabel* stTolerance_ = nullptr;
    QLabel* stRating_ = nullptr;
    QLabel* stDescription_ = nullptr;
};

}  // namespace pelmo
