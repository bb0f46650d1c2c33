#include "widgets/WindowFit.h"

#include <QEvent>
#include <QLayout>
#include <QWidget>

namespace pelmo {

namespace {

// The height the layout needs at the window's width.
int NeededHeight(QWidget& window, QLayout& layout) {
    layout.activate();
    return layout.hasHeightForWidth() ? layout.totalMinimumHeightForWidth(window.width())
                                      : layout.totalMinimumSize().height();
}

class TTallEnough : public QObject {
public:
    explicit TTallEnough(QWidget& window) : QObject(&window), window_(window) { window.installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &window_ && !busy_ &&
            (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Resize ||
             event->type() == QEvent::Show))
            Fit();
        return false;
    }

private:
    void Fit() {
        QLayout* layout = window_.layout();
        if (!layout) return;
        busy_ = true;
        const int needed = NeededHeight(window_, *layout);
        // The smallest height follows the width, so the user cannot cut a
        // text by making the window shorter either.
        if (window_.minimumHeight() != needed) window_.setMinimumHeight(needed);
        if (window_.height() < needed) window_.resize(window_.width(), needed);
        busy_ = false;
    }

    QWidget& window_;
    bool busy_ = false;
};

}  // namespace

void KeepTallEnoughForTexts(QWidget& window) { new TTallEnough(window); }

void SetSizeAtLeast(QWidget& window, QSize size, bool fixed) {
    QSize s = size;
    if (QLayout* layout = window.layout()) {
        // Fresh sizes of every nested layout: widgets shown or hidden since.
        layout->invalidate();
        layout->activate();
        s = s.expandedTo(layout->totalMinimumSize());
        if (layout->hasHeightForWidth())
            s.setHeight(std::max(s.height(), layout->totalMinimumHeightForWidth(s.width())));
    }
    if (fixed) {
        window.setFixedSize(s);
    } else {
        window.setMinimumSize(s);
        window.resize(s.expandedTo(window.size()));
    }
}

}  // namespace pelmo
