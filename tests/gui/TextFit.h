#pragma once

// Whether a window shows the whole text of every label, button, check box,
// radio button, group box title, text field and list it holds: each leaves
// its text, measured in its own font, the room the style draws it in, lies
// inside every widget around it and covers no other text.

#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QStyle>
#include <QStyleOption>
#include <QToolButton>

namespace pelmo::guitest {

// A caption as drawn: "&" marks the mnemonic, "&&" is an "&".
inline QString DrawnCaption(const QString& caption) {
    QString s = caption;
    s.replace(QStringLiteral("&&"), QChar(0x1));
    s.remove(QLatin1Char('&'));
    s.replace(QChar(0x1), QLatin1Char('&'));
    return s;
}

struct TTextRoom {
    QString Text;
    QSize Room;   // where the text is drawn
    QSize Needs;  // what the text takes there
};

// The room a text widget gives its text; no text for other widgets.
inline TTextRoom TextRoomOf(QWidget* w) {
    const QFontMetrics fm = w->fontMetrics();
    QStyle* style = w->style();
    // A text of one or more lines.
    auto line = [&](const QString& text, int extra = 0) {
        const QStringList lines = text.split(QLatin1Char('\n'));
        int width = 0;
        for (const QString& l : lines) width = std::max(width, fm.horizontalAdvance(l));
        return QSize(width + extra, fm.height() + (lines.size() - 1) * fm.lineSpacing());
    };
    if (auto* label = qobject_cast<QLabel*>(w)) {
        if (label->text().isEmpty()) return {};
        // A wrapped text needs its longest word's width and, at the label's
        // width, the height of all its lines.
        if (label->wordWrap())
            return {label->text(), label->size(),
                    QSize(label->minimumSizeHint().width(), label->heightForWidth(label->width()))};
        return {label->text(), label->size(), label->minimumSizeHint()};
    }
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        const QString text = DrawnCaption(button->text());
        if (text.isEmpty()) return {};
        QStyleOptionButton opt;
        opt.initFrom(button);
        opt.text = button->text();
        opt.icon = button->icon();
        opt.iconSize = button->iconSize();
        const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
        if (auto* tool = qobject_cast<QToolButton*>(w)) {
            if (tool->toolButtonStyle() == Qt::ToolButtonIconOnly && !tool->icon().isNull()) return {};
            // The style draws the caption inside the button's frame, below
            // the icon when it goes under it.
            QStyleOptionToolButton topt;
            topt.initFrom(tool);
            const int frame = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &topt, tool);
            QSize room = tool->size() - QSize(2 * frame, 2 * frame);
            if (tool->toolButtonStyle() == Qt::ToolButtonTextUnderIcon && !tool->icon().isNull())
                room.rheight() -= tool->iconSize().height() + 4;
            return {text, room, line(text)};
        }
        QStyle::SubElement contents;
        if (qobject_cast<QPushButton*>(w))
            contents = QStyle::SE_PushButtonContents;
        else if (qobject_cast<QCheckBox*>(w))
            contents = QStyle::SE_CheckBoxContents;
        else if (qobject_cast<QRadioButton*>(w))
            contents = QStyle::SE_RadioButtonContents;
        else
            return {text, button->size(), button->minimumSizeHint()};
        return {text, style->subElementRect(contents, &opt, button).size(), line(text, icon)};
    }
    if (auto* box = qobject_cast<QGroupBox*>(w)) {
        if (box->title().isEmpty()) return {};
        QStyleOptionGroupBox opt;
        opt.initFrom(box);
        opt.text = box->title();
        opt.lineWidth = 1;
        opt.textAlignment = box->alignment();
        opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        if (box->isCheckable()) opt.subControls |= QStyle::SC_GroupBoxCheckBox;
        const QRect title = style->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, box);
        return {box->title(), QSize(box->width() - std::max(0, title.left()), box->height()),
                line(DrawnCaption(box->title()))};
    }
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        // What the user types scrolls in its field; what the program shows
        // there (a value with its unit, a read-only text) must show whole.
        const bool shown = edit->isReadOnly() || edit->inherits("pelmo::TEditReal");
        if (!shown || edit->text().isEmpty() || edit->echoMode() != QLineEdit::Normal) return {};
        QStyleOptionFrame opt;
        opt.initFrom(edit);
        opt.rect = edit->rect();
        opt.lineWidth = edit->hasFrame() ? style->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit) : 0;
        opt.state |= QStyle::State_Sunken;
        if (edit->isReadOnly()) opt.state |= QStyle::State_ReadOnly;
        // QLineEdit keeps two pixels free at each side of its text.
        const QRect r =
            style->subElementRect(QStyle::SE_LineEditContents, &opt, edit).marginsRemoved(edit->textMargins());
        return {edit->text(), QSize(r.width() - 4, r.height()), line(edit->text())};
    }
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        if (combo->isEditable() || combo->count() == 0) return {};
        QStyleOptionComboBox opt;
        opt.initFrom(combo);
        opt.editable = false;
        opt.frame = combo->hasFrame();
        opt.subControls = QStyle::SC_All;
        const QRect field = style->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, combo);
        // Whichever item is chosen shows whole.
        QString longest;
        for (int i = 0; i < combo->count(); ++i)
            if (fm.horizontalAdvance(combo->itemText(i)) > fm.horizontalAdvance(longest)) longest = combo->itemText(i);
        return {longest, field.size(), line(longest)};
    }
    return {};
}

// Every text of the window that is cut, with where and by how much; empty
// when all show whole.
inline QStringList CutTexts(QWidget& window, const QString& name) {
    QStringList faults;
    std::vector<std::pair<QWidget*, QRect>> texts;  // with their place in the window
    for (QWidget* w : window.findChildren<QWidget*>()) {
        // A window of its own (a tool window over this one) is checked by
        // itself.
        if (w->window() != &window || !w->isVisibleTo(&window)) continue;
        // Hidden behind an ancestor that is not shown.
        bool shown = true;
        for (QWidget* p = w->parentWidget(); p && p != &window; p = p->parentWidget())
            if (!p->isVisible()) shown = false;
        if (!shown) continue;
        const TTextRoom t = TextRoomOf(w);
        if (t.Text.isEmpty()) continue;
        const QString what =
            QStringLiteral("%1: %2 \"%3\" (%4)")
                .arg(name, QString::fromLatin1(w->metaObject()->className()), t.Text.left(60), w->objectName());
        if (t.Room.width() < t.Needs.width() || t.Room.height() < t.Needs.height())
            faults << QStringLiteral("%1 has %2x%3 for a text of %4x%5")
                          .arg(what)
                          .arg(t.Room.width())
                          .arg(t.Room.height())
                          .arg(t.Needs.width())
                          .arg(t.Needs.height());
        // Inside every widget around it, up to the window or a scrolled area.
        for (QWidget* child = w; child != &window;) {
            QWidget* parent = child->parentWidget();
            if (!parent || qobject_cast<QAbstractScrollArea*>(parent->parentWidget())) break;
            if (!parent->rect().contains(child->geometry())) {
                faults << QStringLiteral("%1 reaches out of %2 (%3,%4 %5x%6 in %7x%8)")
                              .arg(what, QString::fromLatin1(parent->metaObject()->className()))
                              .arg(child->x())
                              .arg(child->y())
                              .arg(child->width())
                              .arg(child->height())
                              .arg(parent->width())
                              .arg(parent->height());
                break;
            }
            child = parent;
        }
        // Cells of a scrolled table are cut by its view, not by each other.
        bool scrolled = false;
        for (QWidget* p = w->parentWidget(); p && p != &window; p = p->parentWidget())
            if (qobject_cast<QAbstractScrollArea*>(p)) scrolled = true;
        if (!scrolled) texts.emplace_back(w, QRect(w->mapTo(&window, QPoint(0, 0)), w->size()));
    }
    // No text covers another.
    for (std::size_t i = 0; i < texts.size(); ++i)
        for (std::size_t j = i + 1; j < texts.size(); ++j) {
            QWidget* a = texts[i].first;
            QWidget* b = texts[j].first;
            if (a->isAncestorOf(b) || b->isAncestorOf(a)) continue;
            if (texts[i].second.intersects(texts[j].second))
                faults << QStringLiteral("%1: \"%2\" and \"%3\" overlap")
                              .arg(name, TextRoomOf(a).Text.left(40), TextRoomOf(b).Text.left(40));
        }
    return faults;
}

}  // namespace pelmo::guitest
