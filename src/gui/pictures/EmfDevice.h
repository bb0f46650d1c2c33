#pragma once

#include <QPaintDevice>
#include <QSize>
#include <QString>
#include <memory>

// A paint device that records what a QPainter draws as an Enhanced Metafile,
// through libUEMF: the same drawing routines that paint the screen, a PNG or
// an SVG write the ".emf" picture, with lines, paths, fills, hatches, clips,
// images and real text (font, size, turn and the character advances). One
// logical unit is one pixel of a 96 dpi reference device.

namespace pelmo {

class TEmfEngine;

class TEmfDevice : public QPaintDevice {
public:
    // Records a picture of `size` pixels into the file at `path` (written
    // when the painter ends, through Finish).
    TEmfDevice(const QString& path, QSize size);
    ~TEmfDevice() override;
    TEmfDevice(const TEmfDevice&) = delete;
    TEmfDevice& operator=(const TEmfDevice&) = delete;

    QPaintEngine* paintEngine() const override;
    QSize Size() const { return size_; }

    // Writes the file; false (with ErrorText) when the file could not be
    // opened or written, or a record could not be made.
    bool Finish();
    QString ErrorText() const;

protected:
    int metric(PaintDeviceMetric m) const override;

private:
    QSize size_;
    std::unique_ptr<TEmfEngine> engine_;
};

}  // namespace pelmo
