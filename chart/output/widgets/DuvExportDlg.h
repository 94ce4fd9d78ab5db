#pragma once
// The export dialog: a chart panel copied, saved, previewed or mailed as a picture (one of the
// registered export formats, with its options form, size and scale), as a native chart file
// (binary, text or XML) or as series data (text, XML, HTML table, spreadsheet, JSON). The
// decisions it makes (sizes kept in proportion, filter indexes, extensions, which buttons work)
// are plain functions below, tested without the window.
#include <QDialog>
#include <memory>
#include <string>

#include "chart/engine/DuvProcs.h"
#include "chart/output/DuvExport.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QWidget;
class TCustomDuvPanel;
class TMemoryStream;

// ---------------------------------------------------------------- decisions

enum TExportTab { etPicture = 0, etNative = 1, etData = 2 };
enum TNativeFormat { nfBinary = 0, nfText = 1, nfXML = 2 };
enum TDataFormat { dfText = 0, dfXML = 1, dfHTML = 2, dfExcel = 3, dfJSON = 4 };
enum TDataDelimiter { ddSpace = 0, ddTab = 1, ddComma = 2, ddColon = 3, ddCustom = 4 };

// The other side of a size edited with "Keep aspect ratio": height from width, or width from
// height when heightChanged.
int KeptAspectSide(int changed, double aspect, bool heightChanged);
// The delimiter character of a choice: Colon is a semicolon; Custom the first character of the
// edit, or a space when it is empty.
char DelimiterChar(int delimiter, const std::string& custom);
// The data save dialog's filter text and the entry the settings select (1-based).
std::string DataFileFilter();
int DataFilterIndex(int format, int delimiter);
// The settings a chosen entry stands for: the first five are text with their delimiter.
void DataChoiceOfFilterIndex(int filterIndex, int& format, int& delimiter);
// The extension of the data file the settings select ("csv" for comma-delimited text).
std::string DataFileExtension(int format, int delimiter);
// "duv", "txt", "xml".
std::string NativeFileExtension(int nativeFormat);
// "Plotwise files (*.duv)|*.duv" and its kin.
std::string NativeFileFilter(int nativeFormat);

struct TExportButtons {
    bool Copy = false, Save = false, Send = false, View = false, Preview = false;
};
TExportButtons ExportButtonsEnabled(int tab, bool hasData, int nativeFormat, bool canSendMail);

// The options form of a format embedded in the dialog's Options page; none for a format
// without one.
QWidget* CreateExportOptionsForm(TDuvExportFormat& format, QWidget* parent);

// ---------------------------------------------------------------- the dialog

class TDuvExportFormBase : public QDialog {
public:
    explicit TDuvExportFormBase(QWidget* parent = nullptr);
    ~TDuvExportFormBase() override;

    TCustomDuvPanel* Panel = nullptr;

    // Fills the controls for the panel, as showing the dialog does.
    void Prepare();
    TDuvExportFormat* SelectedFormat() const;
    TExportFormatItems& Formats() { return formats_; }
    int DataFormat() const;
    int Delimiter() const;

    virtual std::unique_ptr<TDuvExportData> CreateDataExporter() const { return nullptr; }
    virtual std::unique_ptr<TMemoryStream> NativeStream() const;
    virtual void SaveNative(const std::string& fileName, bool includeData) const;
    virtual bool HasData() const { return false; }
    virtual void SetupDataTab();

    // What the buttons do.
    void CopyClick();
    void SaveClick();
    void SendClick();
    void PreviewClick();
    void ViewClick();
    // The current tab saved under the run's temporary name; answers the file.
    std::string MakeTempExportFile();
    void EnableButtons();
    void FormatSelected();
    void RefreshFileSize();
    void RefreshNativeSize();
    void RefreshDataPreview();

    QTabWidget* Tabs;
    // Picture
    QListWidget* ListFormats;
    QTabWidget* PictureTabs;
    QWidget* PageOptions;
    QWidget* PageSize;
    QSpinBox* EWidth;
    QSpinBox* EHeight;
    QCheckBox* CBAspect;
    QCheckBox* CBFileSize;
    QLabel* LSize;
    QComboBox* CBScale;
    // Native
    QCheckBox* CBNativeData;
    QRadioButton* RBBinary;
    QRadioButton* RBText;
    QRadioButton* RBXML;
    QCheckBox* CBNativeSize;
    QLabel* LNativeSize;
    QPushButton* BView;
    // Data
    QComboBox* CBSeries;
    QComboBox* CBDataFormat;
    QCheckBox* CBPreview;
    QTabWidget* DataTabs;
    QCheckBox* CBIndex;
    QCheckBox* CBLabels;
    QCheckBox* CBHeader;
    QCheckBox* CBColors;
    QComboBox* CBDelimiter;
    QLineEdit* ECustom;
    QLineEdit* ETextQuotes;
    QComboBox* CBEncoding;
    QWidget* PageJSON;
    QComboBox* CBDateTime;
    QComboBox* CBValueFormat;
    QPushButton* BValueFormat;
    QCheckBox* CBSeriesFormat;
    QPlainTextEdit* MemoPreview;
    // Buttons
    QPushButton* BCopy;
    QPushButton* BSave;
    QPushButton* BSend;
    QPushButton* BPreview;
    QPushButton* BClose;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void BuildPicturePage(QWidget* page);
    void BuildNativePage(QWidget* page);
    void BuildDataPage(QWidget* page);
    void SizeChanged(bool heightChanged);
    void ScaleChanged();
    void DataChanged();
    void SaveData();
    void SavePicture();
    void SaveNativeWithDialog();
    int NativeFormat() const;

    TExportFormatItems formats_;
    TFileDialogOptions* pictureDialog_;
    QWidget* optionsForm_ = nullptr;
    bool busy_ = false;
    bool pictureHasHandler_ = false;
    double aspect_ = 0;
};

class TDuvExportForm : public TDuvExportFormBase {
public:
    using TDuvExportFormBase::TDuvExportFormBase;
    std::unique_ptr<TDuvExportData> CreateDataExporter() const override;
    std::unique_ptr<TMemoryStream> NativeStream() const override;
    void SaveNative(const std::string& fileName, bool includeData) const override;
    bool HasData() const override;
    void SetupDataTab() override;
};

// Opens the export dialog for a panel, modal; the chart toolbar and the chart editor call it.
void ShowExportDialog(TCustomDuvPanel* panel, QWidget* parent = nullptr);
