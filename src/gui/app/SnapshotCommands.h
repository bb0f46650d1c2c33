#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QMenu;
class QPrinter;
class QWidget;

// The File menu's "Snapshot" commands: the whole drawing to a picture file
// ("Large", "As Shown", "Forum post"), to the clipboard (bitmap or vector)
// and to the printer. Each fits the view to the drawing first (the view
// stays fitted) and puts the mouse pointer back where it was.

namespace pelmo {

class MessageSink;
class TSheetView;

class TSnapshotCommands : public QObject {
    Q_OBJECT
public:
    TSnapshotCommands(TSheetView& view, MessageSink& messages, QWidget* window);

    // Appends "Snapshot" with its items to the menu.
    QMenu* AddMenu(QMenu* file);
    QMenu* Menu() const { return menu_; }

    // Size factors of the picture files.
    static constexpr double LargeFactor = 1.5;
    static constexpr double AsShownFactor = 1.0;
    static constexpr double ForumPostFactor = 0.75;

    void ToFile(double factor);
    void ToClipboard(bool vector);
    void Print();

    // The save dialog ("" when cancelled) and the print dialog (false when
    // cancelled); tests replace them.
    std::function<QString(QWidget* parent)> ChoosePictureFile;
    std::function<bool(QWidget* parent, QPrinter& printer)> ChoosePrinter;

private:
    TSheetView& view_;
    MessageSink& messages_;
    QWidget* window_;
    QMenu* menu_ = nullptr;
};

}  // namespace pelmo
