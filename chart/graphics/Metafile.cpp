// TEMPORARY STUB (removed before the metafile merge)
#include "chart/graphics/Metafile.h"
TMetafile::TMetafile() = default;
TMetafile::~TMetafile() = default;
void TMetafile::SetSize(int w, int h) { width_ = w < 1 ? 1 : w; height_ = h < 1 ? 1 : h; }
bool TMetafile::Empty() const { return picture_.isNull(); }
QByteArray TMetafile::SaveToBytes() const { return {}; }
void TMetafile::SaveToStream(TStream&) const {}
void TMetafile::SaveToFile(const std::string&) const {}
QPaintEngine* TMetafile::paintEngine() const { return const_cast<QPicture&>(picture_).paintEngine(); }
int TMetafile::metric(PaintDeviceMetric m) const { return m == PdmWidth ? width_ : m == PdmHeight ? height_ : m == PdmDepth ? 32 : 96; }
