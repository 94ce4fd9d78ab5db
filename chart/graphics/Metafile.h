#pragma once
// Metafiles: a drawing kept as drawing records instead of pixels. Painting on a TMetafile (it is
// a paint device) records the drawing in memory as a QPicture; saving turns the records into a
// Windows metafile: enhanced (EMF) records, or the older placeable WMF, so other programs open
// the chart as a vector picture. The reference device is the chart's: 96 dots per inch.
#include <QByteArray>
#include <QPaintDevice>
#include <QPicture>
#include <memory>
#include <string>

class TStream;

class TMetafile : public QPaintDevice {
public:
    TMetafile();
    ~TMetafile() override;
    TMetafile(const TMetafile&) = delete;
    TMetafile& operator=(const TMetafile&) = delete;

    // EMF when set (the default), WMF otherwise; only the saved form depends on it.
    bool Enhanced() const { return enhanced_; }
    void SetEnhanced(bool value) { enhanced_ = value; }
    // The picture's frame in pixels; at least 1 x 1.
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetSize(int width, int height);
    // The records painted so far. Each painting session (QPainter::begin) starts them anew, as a
    // new metafile canvas does.
    const QPicture& Picture() const { return picture_; }
    bool Empty() const;

    // The file's bytes: EMF or placeable WMF as Enhanced says.
    QByteArray SaveToBytes() const;
    void SaveToStream(TStream& stream) const;
    // Written safely: the old file stays whole when writing fails (EFCreateError, EWriteError).
    void SaveToFile(const std::string& fileName) const;

    QPaintEngine* paintEngine() const override;

protected:
    int metric(PaintDeviceMetric metric) const override;
    // A painter on the metafile records into the picture; its size and resolution still come
    // from metric(), so the chart measures and clips as on screen.
    QPaintDevice* redirected(QPoint* offset) const override;

private:
    bool enhanced_ = true;
    int width_ = 1;
    int height_ = 1;
    QPicture picture_;
};
