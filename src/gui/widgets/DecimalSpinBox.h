#pragma once

#include <QDoubleSpinBox>

namespace pelmo {

// A spin box for decimals that takes a decimal comma as the point ("2,2" is
// 2.2, never 22): the comma is turned into the point as it is typed, when the
// text has no point.
class TDecimalSpinBox : public QDoubleSpinBox {
public:
    using QDoubleSpinBox::QDoubleSpinBox;

    QValidator::State validate(QString& input, int& pos) const override {
        if (!input.contains(QLatin1Char('.'))) {
            if (const qsizetype comma = input.indexOf(QLatin1Char(',')); comma >= 0) input[comma] = QLatin1Char('.');
        }
        return QDoubleSpinBox::validate(input, pos);
    }
};

}  // namespace pelmo
