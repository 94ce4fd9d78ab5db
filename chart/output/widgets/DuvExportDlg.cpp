#include "chart/output/widgets/DuvExportDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/ChartEditorServices.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/widgets/DuvProcsWidgets.h"
#include "chart/graphics/DuvConst.h"
#include "chart/output/DuvBmpOptions.h"
#include "chart/output/DuvEditPro.h"
#include "chart/output/DuvEmfOptions.h"
#include "chart/output/DuvStore.h"
#include "chart/output/widgets/DuvBmpOptionsForm.h"
#include "chart/output/widgets/DuvEmfOptionsForm.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/ComponentText.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/SafeFile.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/Streams.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/UiServices.h"

namespace {

constexpr int kMaxExportSide = 3000;
constexpr int kDesignedWidth = 460;
constexpr int kDesignedHeight = 400;

// The data save dialog's entries: settings of the Data tab in order of the filter.
struct TDataEntry {
    const char* Filter;
    const char* Extension;
};
constexpr TDataEntry kDataEntries[] = {
    {"Space delimited text files (*.txt)|*.txt", "txt"}, {"Tab delimited text files (*.txt)|*.txt", "txt"},
    {"Comma delimited text files (*.csv)|*.csv", "csv"}, {"Colon delimited text files (*.txt)|*.txt", "txt"},
    {"Custom delimited text files (*.txt)|*.txt", "txt"}, {"XML files (*.xml)|*.xml", "xml"},
    {"HTML files (*.htm)|*.htm", "htm"},                  {"Microsoft Excel files (*.xls)|*.xls", "xls"},
    {"JSON files (*.json)|*.json", "json"},
};
constexpr int kTextEntries = 5;

const char* const kScales[] = {"0.25", "0.5", "1", "2", "3", "4", "5", "10"};
const char* const kDataFormats[] = {"Text", "XML", "HTML Table", "Excel", "JSON"};
const char* const kDelimiters[] = {"Space", "Tab", "Comma", "Colon", "Custom"};
const char* const kEncodings[] = {"windows-1252", "ISO-8859-1", "UTF-8", "UTF-16"};

QString Spoken(const char* caption)
{
    QString text = QString::fromUtf8(caption);
    text.remove('&');
    return text;
}

// A control with its component name and the name it is announced by.
template <class Widget>
Widget* Make(QWidget* parent, const char* name, const char* caption)
{
    auto* widget = Named(new Widget(parent), name, Spoken(caption));
    if constexpr (std::is_base_of_v<QAbstractButton, Widget> || std::is_same_v<Widget, QLabel>)
        widget->setText(QString::fromUtf8(caption));
    return widget;
}

// A caption label bound to its control, for the accelerator.
QLabel* Caption(QWidget* parent, const char* caption, QWidget* buddy)
{
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setAccessibleName(Spoken(caption));
    label->setBuddy(buddy);
    return label;
}

template <std::size_t N>
void AddItems(QComboBox* box, const char* const (&items)[N])
{
    for (const char* item : items) box->addItem(QString::fromUtf8(item));
}

// The hourglass for the span of a long step, restored also on failure.
auto Hourglass()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    return TScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
}

std::string ExtensionOfFile(const std::string& fileName)
{
    std::string extension = std::filesystem::path(fileName).extension().string();
    if (!extension.empty()) extension.erase(0, 1);
    return extension;
}

std::string WithExtension(const std::string& fileName, const std::string& extension)
{
    return std::filesystem::path(fileName).replace_extension("." + extension).string();
}

void ShowReadOnlyText(QWidget* owner, const std::string& text)
{
    QDialog viewer(owner);
    viewer.setObjectName("TextViewer");
    auto* memo = Named(new QPlainTextEdit(QString::fromStdString(text), &viewer), "Memo", "Text");
    memo->setReadOnly(true);
    auto* close = Named(new QPushButton("Close", &viewer), "BClose", "Close");
    QObject::connect(close, &QPushButton::clicked, &viewer, &QDialog::accept);
    auto* layout = new QVBoxLayout(&viewer);
    layout->addWidget(memo);
    layout->addWidget(close, 0, Qt::AlignRight);
    viewer.resize(500, 400);
    viewer.exec();
}

}  // namespace

// ---------------------------------------------------------------- decisions

int KeptAspectSide(int changed, double aspect, bool heightChanged)
{
    if (aspect == 0) return changed;
    return static_cast<int>(Rnd(heightChanged ? changed * aspect : changed / aspect));
}

char DelimiterChar(int delimiter, const std::string& custom)
{
    switch (delimiter) {
    case ddSpace: return ' ';
    case ddTab: return '\t';
    case ddComma: return ',';
    case ddColon: return ';';
    default: return custom.empty() ? ' ' : custom[0];
    }
}

std::string DataFileFilter()
{
    std::string filter;
    for (const TDataEntry& entry : kDataEntries) filter += (filter.empty() ? "" : "|") + std::string(entry.Filter);
    return filter;
}

int DataFilterIndex(int format, int delimiter) { return format == dfText ? delimiter + 1 : format + kTextEntries; }

void DataChoiceOfFilterIndex(int filterIndex, int& format, int& delimiter)
{
    if (filterIndex > kTextEntries) {
        format = filterIndex - kTextEntries;
        return;
    }
    format = dfText;
    // The chosen entry names its delimiter; keeping the old one wrote "csv" files with tabs.
    if (filterIndex >= 1) delimiter = filterIndex - 1;
}

std::string DataFileExtension(int format, int delimiter)
{
    const int index = DataFilterIndex(format, delimiter);
    return index >= 1 && index <= static_cast<int>(std::size(kDataEntries)) ? kDataEntries[index - 1].Extension : "txt";
}

std::string NativeFileExtension(int nativeFormat)
{
    return nativeFormat == nfText ? "txt" : nativeFormat == nfXML ? "xml" : ChartFileExtension;
}

std::string NativeFileFilter(int nativeFormat)
{
    const std::string extension = NativeFileExtension(nativeFormat);
    return std::string(NativeFileDescription) + " (*." + extension + ")|*." + extension;
}

TExportButtons ExportButtonsEnabled(int tab, bool hasData, int nativeFormat, bool canSendMail)
{
    TExportButtons b;
    b.Copy = tab == etPicture || (tab == etData && hasData) || (tab == etNative && nativeFormat != nfBinary);
    b.Save = b.Copy || tab == etNative;
    b.Send = b.Save && canSendMail;
    b.View = tab == etNative && nativeFormat != nfBinary;
    b.Preview = b.Copy;
    return b;
}

QWidget* CreateExportOptionsForm(TDuvExportFormat& format, QWidget* parent)
{
    if (auto* bitmap = dynamic_cast<TBMPExportFormat*>(&format)) return new TBMPOptions(bitmap, parent);
    if (auto* metafile = dynamic_cast<TEMFExportFormat*>(&format)) return new TEMFOptions(metafile, parent);
    return nullptr;
}

// ---------------------------------------------------------------- the dialog

TDuvExportFormBase::TDuvExportFormBase(QWidget* parent)
    : QDialog(parent), pictureDialog_(new TFileDialogOptions)
{
    setObjectName("DuvExportForm");
    setWindowTitle("Export Dialog");
    setAccessibleName("Export Dialog");
    Tabs = Named(new QTabWidget(this), "Tabs", "Export");
    auto* picture = new QWidget;
    auto* native = new QWidget;
    auto* data = new QWidget;
    Tabs->addTab(picture, "Picture");
    Tabs->addTab(native, "Native");
    Tabs->addTab(data, "Data");
    BuildPicturePage(picture);
    BuildNativePage(native);
    BuildDataPage(data);

    BCopy = Make<QPushButton>(this, "BCopy", "&Copy");
    BSave = Make<QPushButton>(this, "BSave", "&Save...");
    BSend = Make<QPushButton>(this, "BSend", "S&end...");
    BPreview = Make<QPushButton>(this, "BPreview", "&Preview");
    BClose = Make<QPushButton>(this, "BClose", "Close");
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {BCopy, BSave, BSend, BPreview}) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(BClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Tabs);
    layout->addLayout(buttons);

    connect(BCopy, &QPushButton::clicked, this, [this] { CopyClick(); });
    connect(BSave, &QPushButton::clicked, this, [this] { SaveClick(); });
    connect(BSend, &QPushButton::clicked, this, [this] { SendClick(); });
    connect(BPreview, &QPushButton::clicked, this, [this] { PreviewClick(); });
    connect(BClose, &QPushButton::clicked, this, &QDialog::close);
    connect(Tabs, &QTabWidget::currentChanged, this, [this] { EnableButtons(); });
    resize(ReadEditorInteger("ExportWidth", kDesignedWidth), ReadEditorInteger("ExportHeight", kDesignedHeight));
}

TDuvExportFormBase::~TDuvExportFormBase()
{
    delete optionsForm_;
    delete pictureDialog_;
}

void TDuvExportFormBase::BuildPicturePage(QWidget* page)
{
    ListFormats = Named(new QListWidget(page), "ListFormats", "Format");
    ListFormats->setSortingEnabled(true);
    PictureTabs = Named(new QTabWidget(page), "PictureTabs", "Picture");
    PageOptions = new QWidget;
    PageOptions->setObjectName("TabOptions");
    new QVBoxLayout(PageOptions);
    PageSize = new QWidget;
    PageSize->setObjectName("TabSize");
    PictureTabs->addTab(PageOptions, "Options");
    PictureTabs->addTab(PageSize, "Size");

    EWidth = Make<QSpinBox>(PageSize, "EWidth", "&Width:");
    EHeight = Make<QSpinBox>(PageSize, "EHeight", "&Height:");
    for (QSpinBox* edit : {EWidth, EHeight}) edit->setRange(0, kMaxExportSide);
    CBAspect = Make<QCheckBox>(PageSize, "CBAspect", "&Keep aspect ratio");
    CBAspect->setChecked(true);
    CBFileSize = Make<QCheckBox>(PageSize, "CBFileSize", "&File size:");
    LSize = Make<QLabel>(PageSize, "LSize", "?");
    CBScale = Make<QComboBox>(PageSize, "CBScale", "Sc&ale:");
    AddItems(CBScale, kScales);
    CBScale->setCurrentText("1");
    auto* form = new QFormLayout(PageSize);
    form->addRow(Caption(PageSize, "&Width:", EWidth), EWidth);
    form->addRow(Caption(PageSize, "&Height:", EHeight), EHeight);
    form->addRow(CBAspect);
    form->addRow(CBFileSize, LSize);
    form->addRow(Caption(PageSize, "Sc&ale:", CBScale), CBScale);

    auto* layout = new QHBoxLayout(page);
    layout->addWidget(ListFormats, 1);
    layout->addWidget(PictureTabs, 2);

    connect(ListFormats, &QListWidget::currentRowChanged, this, [this] { FormatSelected(); });
    connect(EWidth, &QSpinBox::valueChanged, this, [this] { SizeChanged(false); });
    connect(EHeight, &QSpinBox::valueChanged, this, [this] { SizeChanged(true); });
    connect(CBScale, &QComboBox::currentTextChanged, this, [this] { ScaleChanged(); });
    connect(CBFileSize, &QCheckBox::toggled, this, [this] { RefreshFileSize(); });
    connect(PictureTabs, &QTabWidget::currentChanged, this, [this] {
        if (PictureTabs->currentWidget() == PageSize) RefreshFileSize();
    });
}

void TDuvExportFormBase::BuildNativePage(QWidget* page)
{
    CBNativeData = Make<QCheckBox>(page, "CBNativeData", "&Include Series data");
    CBNativeData->setChecked(true);
    auto* group = Named(new QGroupBox("Format:", page), "RGNative", "Format:");
    RBBinary = Make<QRadioButton>(group, "RBBinary", "&Binary");
    RBText = Make<QRadioButton>(group, "RBText", "&Text");
    RBXML = Make<QRadioButton>(group, "RBXML", "&XML");
    RBBinary->setChecked(true);
    auto* radios = new QVBoxLayout(group);
    for (QRadioButton* r : {RBBinary, RBText, RBXML}) radios->addWidget(r);
    CBNativeSize = Make<QCheckBox>(page, "CBNativeSize", "&File size:");
    CBNativeSize->setChecked(true);
    LNativeSize = Make<QLabel>(page, "LNativeSize", "");
    BView = Make<QPushButton>(page, "BView", "&View...");
    auto* size = new QHBoxLayout;
    size->addWidget(CBNativeSize);
    size->addWidget(LNativeSize, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(CBNativeData);
    layout->addWidget(group);
    layout->addLayout(size);
    layout->addWidget(BView, 0, Qt::AlignLeft);
    layout->addStretch();

    for (QRadioButton* r : {RBBinary, RBText, RBXML})
        connect(r, &QRadioButton::toggled, this, [this](bool on) {
            if (!on) return;
            RefreshNativeSize();
            EnableButtons();
        });
    connect(CBNativeData, &QCheckBox::toggled, this, [this] { RefreshNativeSize(); });
    connect(CBNativeSize, &QCheckBox::toggled, this, [this] { RefreshNativeSize(); });
    connect(BView, &QPushButton::clicked, this, [this] { ViewClick(); });
}

void TDuvExportFormBase::BuildDataPage(QWidget* page)
{
    CBSeries = Make<QComboBox>(page, "CBSeries", "Se&ries:");
    CBDataFormat = Make<QComboBox>(page, "CBDataFormat", "&Format:");
    AddItems(CBDataFormat, kDataFormats);
    CBPreview = Make<QCheckBox>(page, "CBPreview", "&Preview");
    DataTabs = Named(new QTabWidget(page), "DataTabs", "Data");

    auto* include = new QWidget;
    CBIndex = Make<QCheckBox>(include, "CBIndex", "Point &Index");
    CBLabels = Make<QCheckBox>(include, "CBLabels", "Point &Labels");
    CBHeader = Make<QCheckBox>(include, "CBHeader", "&Header");
    CBColors = Make<QCheckBox>(include, "CBColors", "Point &Colors");
    CBLabels->setChecked(true);
    CBHeader->setChecked(true);
    auto* includeLayout = new QVBoxLayout(include);
    for (QCheckBox* c : {CBIndex, CBLabels, CBHeader, CBColors}) includeLayout->addWidget(c);
    DataTabs->addTab(include, "Include");

    auto* options = new QWidget;
    CBDelimiter = Make<QComboBox>(options, "CBDelimiter", "&Delimiter:");
    AddItems(CBDelimiter, kDelimiters);
    ECustom = Make<QLineEdit>(options, "ECustom", "Custom delimiter");
    ECustom->setMaxLength(1);
    ETextQuotes = Make<QLineEdit>(options, "ETextQuotes", "Text &Quotes:");
    ETextQuotes->setMaxLength(1);
    CBEncoding = Make<QComboBox>(options, "CBEncoding", "&XML Encoding:");
    CBEncoding->setEditable(true);
    AddItems(CBEncoding, kEncodings);
    auto* delimiter = new QHBoxLayout;
    delimiter->addWidget(CBDelimiter);
    delimiter->addWidget(ECustom);
    auto* optionsLayout = new QFormLayout(options);
    optionsLayout->addRow(Caption(options, "&Delimiter:", CBDelimiter), delimiter);
    optionsLayout->addRow(Caption(options, "Text &Quotes:", ETextQuotes), ETextQuotes);
    optionsLayout->addRow(Caption(options, "&XML Encoding:", CBEncoding), CBEncoding);
    DataTabs->addTab(options, "Options");

    PageJSON = new QWidget;
    CBDateTime = Make<QComboBox>(PageJSON, "CBDateTime", "&Date Time format:");
    CBDateTime->addItems({"Timestamp", "JavaScript"});
    CBDateTime->setCurrentIndex(1);
    auto* jsonLayout = new QFormLayout(PageJSON);
    jsonLayout->addRow(Caption(PageJSON, "&Date Time format:", CBDateTime), CBDateTime);
    DataTabs->addTab(PageJSON, "JSON");

    auto* format = new QWidget;
    CBValueFormat = Make<QComboBox>(format, "CBValueFormat", "&Value Format:");
    CBValueFormat->setEditable(true);
    // The editor services' preset formats and format editor; without them the list stays empty
    // and "..." is disabled.
    for (const std::string& preset : ChartEditorServices().ValueFormatPresets())
        CBValueFormat->addItem(QString::fromStdString(preset));
    CBValueFormat->setCurrentText("");
    BValueFormat = Make<QPushButton>(format, "BValueFormat", "...");
    BValueFormat->setAccessibleName("Edit value format");
    CBSeriesFormat = Make<QCheckBox>(format, "CBSeriesFormat", "Use Series Format");
    auto* value = new QHBoxLayout;
    value->addWidget(CBValueFormat, 1);
    value->addWidget(BValueFormat);
    auto* formatLayout = new QFormLayout(format);
    formatLayout->addRow(Caption(format, "&Value Format:", CBValueFormat), value);
    formatLayout->addRow(CBSeriesFormat);
    DataTabs->addTab(format, "Format");

    MemoPreview = Named(new QPlainTextEdit(page), "MemoPreview", "Preview");
    MemoPreview->setReadOnly(true);
    MemoPreview->hide();

    auto* top = new QFormLayout;
    top->addRow(Caption(page, "Se&ries:", CBSeries), CBSeries);
    top->addRow(Caption(page, "&Format:", CBDataFormat), CBDataFormat);
    top->addRow(CBPreview);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(top);
    layout->addWidget(DataTabs);
    layout->addWidget(MemoPreview, 1);

    for (QCheckBox* c : {CBIndex, CBLabels, CBHeader, CBColors, CBPreview, CBSeriesFormat})
        connect(c, &QCheckBox::toggled, this, [this] { DataChanged(); });
    for (QComboBox* c : {CBSeries, CBDataFormat, CBDelimiter, CBDateTime})
        connect(c, &QComboBox::currentIndexChanged, this, [this] { DataChanged(); });
    for (QComboBox* c : {CBEncoding, CBValueFormat})
        connect(c, &QComboBox::currentTextChanged, this, [this] { DataChanged(); });
    for (QLineEdit* e : {ECustom, ETextQuotes}) connect(e, &QLineEdit::textChanged, this, [this] { DataChanged(); });
    connect(BValueFormat, &QPushButton::clicked, this, [this] {
        std::string text = CBValueFormat->currentText().toStdString();
        if (ChartEditorServices().CanEditValueFormat() && ChartEditorServices().EditValueFormat(this, text))
            CBValueFormat->setCurrentText(QString::fromStdString(text));
    });
}

void TDuvExportFormBase::showEvent(QShowEvent* event)
{
    Prepare();
    QDialog::showEvent(event);
}

void TDuvExportFormBase::Prepare()
{
    if (!Panel) Panel = reinterpret_cast<TCustomDuvPanel*>(property("Tag").value<quintptr>());
    CBDataFormat->setCurrentIndex(dfText);
    if (Panel) {
        busy_ = true;
        TScopeGuard idle([this] { busy_ = false; });
        EWidth->setValue(std::clamp(Panel->Width(), 0, kMaxExportSide));
        EHeight->setValue(std::clamp(Panel->Height(), 0, kMaxExportSide));
        aspect_ = Panel->Height() != 0 ? static_cast<double>(Panel->Width()) / Panel->Height() : 0;
        ListFormats->clear();
        delete optionsForm_;
        optionsForm_ = nullptr;
        formats_.clear();
        pictureDialog_->Filter.clear();
        AddExportFormatFilters(*pictureDialog_, Panel, &formats_);
        for (std::size_t i = 0; i < formats_.size(); ++i) {
            auto* item = new QListWidgetItem(QString::fromStdString(formats_[i].Description));
            item->setData(Qt::UserRole, static_cast<int>(i));
            ListFormats->addItem(item);
        }
        CBDelimiter->setCurrentIndex(ddTab);
        if (ListFormats->count() > 0) ListFormats->setCurrentRow(0);
        busy_ = false;
        FormatSelected();
        EnableButtons();
    }
    TranslateControl(this);
    const QString encoding = QString::fromStdString(DefaultXmlEncoding());
    if (CBEncoding->findText(encoding) < 0) CBEncoding->addItem(encoding);
    CBEncoding->setCurrentText(encoding);
    SetupDataTab();
    RefreshNativeSize();
    DataChanged();
}

TDuvExportFormat* TDuvExportFormBase::SelectedFormat() const
{
    const QListWidgetItem* item = ListFormats->currentItem();
    if (!item) return nullptr;
    return formats_.at(static_cast<std::size_t>(item->data(Qt::UserRole).toInt())).Format.get();
}

int TDuvExportFormBase::DataFormat() const { return CBDataFormat->currentIndex(); }

int TDuvExportFormBase::Delimiter() const { return CBDelimiter->currentIndex(); }

int TDuvExportFormBase::NativeFormat() const { return RBText->isChecked() ? nfText : RBXML->isChecked() ? nfXML : nfBinary; }

void TDuvExportFormBase::FormatSelected()
{
    if (busy_) return;
    TDuvExportFormat* format = SelectedFormat();
    if (!format) return;
    delete optionsForm_;
    optionsForm_ = nullptr;
    format->Options(true);
    optionsForm_ = CreateExportOptionsForm(*format, PageOptions);
    const bool hasOptions = optionsForm_ && format->Options(false) && format->Options(false)->HasControls();
    PictureTabs->setTabVisible(PictureTabs->indexOf(PageOptions), hasOptions);
    if (hasOptions) {
        PageOptions->layout()->addWidget(optionsForm_);
        TranslateControl(optionsForm_);
        PictureTabs->setCurrentWidget(PageOptions);
    } else {
        PictureTabs->setCurrentWidget(PageSize);
    }
    format->Width = EWidth->value();
    format->Height = EHeight->value();
    // Asked once per choice: the desktop's answer comes from a program run.
    pictureHasHandler_ = HasFileTypeHandler(format->FileExtension());
    RefreshFileSize();
    EnableButtons();
}

void TDuvExportFormBase::SizeChanged(bool heightChanged)
{
    if (busy_ || !isVisible()) return;
    busy_ = true;
    TScopeGuard idle([this] { busy_ = false; });
    if (CBAspect->isChecked() && aspect_ != 0) {
        if (heightChanged) EWidth->setValue(KeptAspectSide(EHeight->value(), aspect_, true));
        else EHeight->setValue(KeptAspectSide(EWidth->value(), aspect_, false));
    }
    if (TDuvExportFormat* format = SelectedFormat()) {
        format->Width = EWidth->value();
        format->Height = EHeight->value();
    }
    busy_ = false;
    RefreshFileSize();
}

void TDuvExportFormBase::ScaleChanged()
{
    TDuvExportFormat* format = SelectedFormat();
    if (!format) return;
    bool ok = false;
    const double scale = CBScale->currentText().toDouble(&ok);
    if (!ok) throw EConvertError("'" + CBScale->currentText().toStdString() + "' is not a valid floating point value");
    format->Scale = static_cast<float>(scale);
    RefreshFileSize();
}

void TDuvExportFormBase::RefreshFileSize()
{
    TDuvExportFormat* format = SelectedFormat();
    if (!CBFileSize->isChecked() || !format || !Panel) {
        LSize->setText("?");
        return;
    }
    format->Width = EWidth->value();
    format->Height = EHeight->value();
    TMemoryStream stream;
    format->SaveToStream(stream);
    LSize->setText(QString::fromStdString(BytesToText(stream.Size())));
}

void TDuvExportFormBase::RefreshNativeSize()
{
    if (!CBNativeSize->isChecked() || !Panel) {
        LNativeSize->setText("");
        return;
    }
    LNativeSize->setText(QString::number(NativeStream()->Size()) + " bytes");
}

void TDuvExportFormBase::EnableButtons()
{
    const TExportButtons b = ExportButtonsEnabled(Tabs->currentIndex(), HasData(), NativeFormat(), CanSendMail());
    BCopy->setEnabled(b.Copy);
    BSave->setEnabled(b.Save);
    BSend->setEnabled(b.Send);
    BView->setEnabled(b.View);
    BPreview->setEnabled(b.Preview && (Tabs->currentIndex() != etPicture || pictureHasHandler_));
}

void TDuvExportFormBase::DataChanged()
{
    if (busy_) return;
    const int format = DataFormat();
    ECustom->setEnabled(Delimiter() == ddCustom);
    CBEncoding->setEnabled(format == dfXML);
    DataTabs->setTabVisible(DataTabs->indexOf(PageJSON), format == dfJSON);
    const bool own = !CBSeriesFormat->isChecked();
    CBValueFormat->setEnabled(own);
    BValueFormat->setEnabled(own && ChartEditorServices().CanEditValueFormat());
    RefreshDataPreview();
    EnableButtons();
}

void TDuvExportFormBase::RefreshDataPreview()
{
    const bool show = CBPreview->isChecked() && DataFormat() != dfExcel;
    std::unique_ptr<TDuvExportData> exporter = show ? CreateDataExporter() : nullptr;
    MemoPreview->setVisible(exporter != nullptr);
    if (exporter) MemoPreview->setPlainText(QString::fromStdString(exporter->AsString()));
}

std::unique_ptr<TMemoryStream> TDuvExportFormBase::NativeStream() const
{
    auto stream = std::make_unique<TMemoryStream>();
    WriteComponentToStream(*stream, Panel);
    if (NativeFormat() == nfBinary) return stream;
    stream->SetPosition(0);
    auto text = std::make_unique<TMemoryStream>();
    ObjectBinaryToText(*stream, *text);
    text->SetPosition(0);
    if (NativeFormat() == nfXML) ConvertTextStreamToXml(*text, true);
    return text;
}

void TDuvExportFormBase::SaveNative(const std::string& fileName, bool) const
{
    TMemoryStream stream;
    WriteComponentToStream(stream, Panel);
    WriteFileSafely(fileName, stream.Bytes());
}

void TDuvExportFormBase::SetupDataTab()
{
    Tabs->setTabVisible(etData, false);
    CBNativeData->hide();
}

// ---------------------------------------------------------------- buttons

void TDuvExportFormBase::CopyClick()
{
    switch (Tabs->currentIndex()) {
    case etPicture:
        if (TDuvExportFormat* format = SelectedFormat()) {
            format->Width = EWidth->value();
            format->Height = EHeight->value();
            format->Copy();
        }
        break;
    case etData: {
        const auto hourglass = Hourglass();
        if (std::unique_ptr<TDuvExportData> exporter = CreateDataExporter()) exporter->CopyToClipboard();
        break;
    }
    default: CopyTextToClipboard(NativeStream()->Bytes());
    }
}

void TDuvExportFormBase::SaveClick()
{
    switch (Tabs->currentIndex()) {
    case etPicture: return SavePicture();
    case etNative: return SaveNativeWithDialog();
    default: return SaveData();
    }
}

void TDuvExportFormBase::SavePicture()
{
    TDuvExportFormat* selected = SelectedFormat();
    if (!selected) return;
    TFileDialogOptions dialog = *pictureDialog_;
    dialog.DefaultExt = selected->FileExtension();
    dialog.FilterIndex = selected->FilterIndex();
    if (!UiServices().SaveFileDialog(dialog)) return;
    TDuvExportFormat* format = selected;
    const std::string extension = ExtensionOfFile(dialog.FileName);
    for (const TExportFormatItem& item : formats_)
        if (SameText(item.Format->FileExtension(), extension)) {
            format = item.Format.get();
            break;
        }
    format->Width = EWidth->value();
    format->Height = EHeight->value();
    const auto hourglass = Hourglass();
    format->SaveToFileWithOptions(dialog.FileName, format->Options(false));
}

void TDuvExportFormBase::SaveNativeWithDialog()
{
    TFileDialogOptions dialog;
    dialog.Filter = NativeFileFilter(NativeFormat());
    dialog.DefaultExt = NativeFileExtension(NativeFormat());
    if (!UiServices().SaveFileDialog(dialog)) return;
    SaveNative(WithExtension(dialog.FileName, NativeFileExtension(NativeFormat())), CBNativeData->isChecked());
}

void TDuvExportFormBase::SaveData()
{
    TFileDialogOptions dialog;
    dialog.Filter = DataFileFilter();
    dialog.FilterIndex = DataFilterIndex(DataFormat(), Delimiter());
    if (!UiServices().SaveFileDialog(dialog)) return;
    int format = DataFormat(), delimiter = Delimiter();
    DataChoiceOfFilterIndex(dialog.FilterIndex, format, delimiter);
    CBDataFormat->setCurrentIndex(format);
    CBDelimiter->setCurrentIndex(delimiter);
    const auto hourglass = Hourglass();
    if (std::unique_ptr<TDuvExportData> exporter = CreateDataExporter()) exporter->SaveToFile(dialog.FileName);
}

std::string TDuvExportFormBase::MakeTempExportFile()
{
    std::string fileName;
    switch (Tabs->currentIndex()) {
    case etPicture: {
        TDuvExportFormat* format = SelectedFormat();
        if (!format) return {};
        fileName = ExportTempFileName(format->FileExtension());
        format->Width = EWidth->value();
        format->Height = EHeight->value();
        format->SaveToFileWithOptions(fileName, format->Options(false));
        break;
    }
    case etNative:
        fileName = ExportTempFileName(NativeFileExtension(NativeFormat()));
        SaveNative(fileName, CBNativeData->isChecked());
        break;
    default:
        fileName = ExportTempFileName(DataFileExtension(DataFormat(), Delimiter()));
        if (std::unique_ptr<TDuvExportData> exporter = CreateDataExporter()) exporter->SaveToFile(fileName);
    }
    return fileName;
}

void TDuvExportFormBase::PreviewClick()
{
    const auto hourglass = Hourglass();
    const std::string fileName = MakeTempExportFile();
    if (!fileName.empty()) OpenWithShell(this, fileName);
}

void TDuvExportFormBase::SendClick()
{
    if (!CanSendMail()) {
        BSend->setEnabled(false);
        return;
    }
    const std::string fileName = MakeTempExportFile();
    if (!fileName.empty()) SendMailFile(fileName);
}

void TDuvExportFormBase::ViewClick()
{
    if (NativeFormat() == nfBinary) return;
    ShowReadOnlyText(this, NativeStream()->Bytes());
}

void TDuvExportFormBase::done(int result)
{
    WriteEditorInteger("ExportWidth", width());
    WriteEditorInteger("ExportHeight", height());
    QDialog::done(result);
}

// ---------------------------------------------------------------- chart panels

std::unique_ptr<TDuvExportData> TDuvExportForm::CreateDataExporter() const
{
    auto* chart = dynamic_cast<TCustomAxisPanel*>(Panel);
    if (!chart) return nullptr;
    auto* series = reinterpret_cast<TChartSeries*>(CBSeries->currentData().value<quintptr>());
    std::unique_ptr<TSeriesData> exporter;
    switch (DataFormat()) {
    case dfXML: {
        auto xml = std::make_unique<TSeriesDataXML>(chart, series);
        xml->Encoding = CBEncoding->currentText().toStdString();
        exporter = std::move(xml);
        break;
    }
    case dfHTML: exporter = std::make_unique<TSeriesDataHTML>(chart, series); break;
    case dfExcel: exporter = std::make_unique<TSeriesDataXLS>(chart, series); break;
    case dfJSON: {
        auto json = std::make_unique<TSeriesDataJSON>(chart, series);
        json->DateTimeFormat = CBDateTime->currentIndex();
        exporter = std::move(json);
        break;
    }
    default: {
        auto text = std::make_unique<TSeriesDataText>(chart, series);
        text->TextDelimiter = DelimiterChar(Delimiter(), ECustom->text().toStdString());
        text->TextQuotes = ETextQuotes->text().toStdString();
        exporter = std::move(text);
    }
    }
    exporter->IncludeLabels = CBLabels->isChecked();
    exporter->IncludeIndex = CBIndex->isChecked();
    exporter->IncludeHeader = CBHeader->isChecked();
    exporter->IncludeColors = CBColors->isChecked();
    exporter->UseSeriesFormat = CBSeriesFormat->isChecked();
    if (!exporter->UseSeriesFormat) exporter->ValueFormat = NumberTextFromLocale(CBValueFormat->currentText().toStdString());
    return exporter;
}

std::unique_ptr<TMemoryStream> TDuvExportForm::NativeStream() const
{
    auto* chart = dynamic_cast<TCustomAxisPanel*>(Panel);
    if (!chart) return TDuvExportFormBase::NativeStream();
    auto stream = std::make_unique<TMemoryStream>();
    const bool data = CBNativeData->isChecked();
    if (RBXML->isChecked()) SaveChartToXMLStream(*chart, *stream, data, true);
    else SaveChartToStream(*chart, *stream, data, RBText->isChecked());
    return stream;
}

void TDuvExportForm::SaveNative(const std::string& fileName, bool includeData) const
{
    auto* chart = dynamic_cast<TCustomAxisPanel*>(Panel);
    if (!chart) return TDuvExportFormBase::SaveNative(fileName, includeData);
    if (RBXML->isChecked()) SaveChartToXMLFile(*chart, fileName, includeData, true);
    else SaveChartToFile(*chart, fileName, includeData, RBText->isChecked());
}

bool TDuvExportForm::HasData() const { return dynamic_cast<TCustomAxisPanel*>(Panel) != nullptr; }

void TDuvExportForm::SetupDataTab()
{
    auto* chart = dynamic_cast<TCustomAxisPanel*>(Panel);
    if (!chart) return TDuvExportFormBase::SetupDataTab();
    CBSeries->clear();
    CBSeries->addItem("(all)", QVariant::fromValue<quintptr>(0));
    for (int i = 0; i < chart->CountSeries(); ++i) {
        auto* series = dynamic_cast<TChartSeries*>(chart->GetSeries(i));
        if (!series) continue;
        const std::string& title = series->Title().empty() ? series->Name() : series->Title();
        CBSeries->addItem(QString::fromStdString(title),
                          QVariant::fromValue(reinterpret_cast<quintptr>(series)));
    }
    CBSeries->setCurrentIndex(0);
}

void ShowExportDialog(TCustomDuvPanel* panel, QWidget* parent)
{
    TDuvExportForm form(parent);
    form.Panel = panel;
    form.exec();
}
