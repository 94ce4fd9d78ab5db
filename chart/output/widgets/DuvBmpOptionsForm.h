#pragma once
// The options form of the bitmap export format: colour depth, resolution, monochrome, the
// picture filters, and a preview of the bitmap they give.
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QImage;
class TBMPExportFormat;
class TFilterItems;

// "&Filters..." opens the editor services' picture filter editor; disabled while none is installed.
class TBMPOptions : public QWidget {
public:
    // Edits the format's own options; a form without format previews nothing.
    explicit TBMPOptions(TBMPExportFormat* format, QWidget* parent = nullptr);

    TBMPExportFormat* Format() const { return format_; }
    void RefreshPreview();
    void FiltersClick();

    QComboBox* CBColors;
    QSpinBox* EDPI;
    QCheckBox* CBMono;
    QPushButton* BFilters;
    QLabel* LPreview;
    QLabel* Image1;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Store();
    TBMPExportFormat* format_;
};
