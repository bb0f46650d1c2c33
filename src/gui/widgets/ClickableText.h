#pragma once

#include <QLabel>
#include <QMouseEvent>

// An underlined static text that acts when clicked ("mod sensitivity",
// "overall delay added": back to zero).

namespace pelmo {

class TClickableText : public QLabel {
    Q_OBJECT
public:
    TClickableText(const QString& text, QWidget* parent) : QLabel(text, parent) {
        QFont f = font();
        f.setUnderline(true);
        setFont(f);
        setCursor(Qt::PointingHandCursor);
    }

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) emit clicked();
        event->accept();
    }
};

}  // namespace pelmo
