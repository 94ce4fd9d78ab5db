#pragma once
// The options form of the metafile export format: enhanced or old-style, and a preview of the
// metafile.
#include <QWidget>

class QCheckBox;
class QLabel;
class TEMFExportFormat;

class TEMFOptions : public QWidget {
public:
    explicit TEMFOptions(TEMFExportFormat* format, QWidget* parent = nullptr);

    TEMFExportFormat* Format() const { return format_; }
    void RefreshPreview();

    QCheckBox* CBEnhanced;
    QLabel* LPreview;
    QLabel* Image1;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TEMFExportFormat* format_;
};
