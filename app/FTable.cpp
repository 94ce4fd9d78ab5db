#include "app/FTable.h"

#include <QCloseEvent>
#include <QCursor>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSplitter>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <QXmlStreamReader>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include <fcntl.h>
#include <unistd.h>
#include <xlsxwriter.h>
#include <zlib.h>

#include "app/FSelectCase.h"
#include "app/FMemoField.h"
#include "app/FReplaceField.h"
#include "app/FSelectField.h"
#include "app/FSetQuery.h"
#include "app/FTextFieldAnalyze.h"
#include "app/FTextInput.h"
#include "app/ULng.h"
#include "app/UMSAccess.h"
#include "app/UMSSql.h"
#include "platform/core/Component.h"
#include "platform/core/DateTime.h"
#include "platform/core/NumText.h"
#include "platform/db/BatchMove.h"
#include "platform/db/Database.h"
#include "platform/db/DbError.h"
#include "platform/db/ParadoxFile.h"
#include "platform/db/Query.h"
#include "platform/db/Table.h"
#include "platform/db/TextTable.h"
#include "platform/ui/Application.h"
#include "platform/ui/DBGrid.h"
#include "platform/ui/DBNavigator.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/WindowFit.h"

namespace fs = std::filesystem;

TFormTable* FormTable = nullptr;

namespace {

constexpr int kPanelBtnsHeight = 41;
const QSize kDesignSize(640, 400);
const QSize kProgressSize(250, 41);

constexpr TNavButtonSet kBrowseButtons = NavButtons({nbFirst, nbPrior, nbNext, nbLast, nbRefresh});

const char* const kSaveFilter =
    "Textový soubor (*.txt)|*.txt|Tabulka dBase (*.dbf)|*.dbf|Tabulka Paradox (*.db)|*.db|"
    "MS Excel (*.xlsx)|*.xlsx|MS Access (*.mdb)|*.mdb|Všechny soubory|*.*";
const char* const kOpenFilter = "Textový soubor (*.txt)|*.txt|Text oddělený středníkem (*.csv)|*.csv|Všechny soubory|*.*";
enum TSaveFilter { sfText = 1, sfDBase, sfParadox, sfSpreadsheet, sfAccess };

const char* const kCopyModeItems = "Append;Update;\"Append and Update\";Copy;Delete";
constexpr TBatchMode kCopyModes[] = {batAppend, batUpdate, batAppendUpdate, batCopy, batDelete};
constexpr int kCopyModeDefault = 3;  // Copy
const char* const kCopyTargetItems = "Cancel;\"Single table (DB,DBF,TXT,XLS)\";\"MS Access (MDB)\";\"MS SQL database\"";

// The process-wide window lists; the browse list exists from the first ShowTableWindow on.
bool g_browseListCreated = false;
// The program closes its windows itself (with the collection or on quitting): what they hold
// is saved without a question.
bool g_programClosesWindows = false;
std::vector<TFormTable*>& BrowseList()
{
    static std::vector<TFormTable*> list;
    return list;
}
std::vector<TFormTable*>& QueryList()
{
    static std::vector<TFormTable*> list;
    return list;
}

// A picture button is known by its hint; a captioned one keeps its caption as name.
void SetHint(QToolButton* button, const std::string& hint)
{
    button->setToolTip(QText(hint));
    button->setAccessibleName(QText(hint));
}

void SetHint(QPushButton* button, const std::string& hint) { button->setToolTip(QText(hint)); }

std::string LowerExtension(const std::string& fileName)
{
    std::string extension = fs::path(fileName).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return std::tolower(c); });
    return extension;
}

// SelectCaseFixed answers its default index also when the dialog is cancelled; here a cancel
// answers -1, so a preselected choice is never taken for one the user made.
int ChooseFixed(QWidget* owner, const std::string& caption, const std::string& group, int defaultIndex,
                const std::string& items)
{
    const int index = SelectCaseFixed(owner, caption, group, defaultIndex, items);
    return FormSelectCase && FormSelectCase->result() == QDialog::Accepted ? index : -1;
}

bool IsNumberField(TFieldType type)
{
    switch (type) {
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD: case ftAutoInc:
    case ftLargeint: return true;
    default: return false;
    }
}

// The workbook path: spreadsheet copies are .xlsx workbooks, whatever spreadsheet extension was asked for.
std::string WorkbookPath(const std::string& fileName)
{
    return fs::path(fileName).replace_extension(".xlsx").string();
}

// ---- The written workbook, checked as a reader takes it: the library packs whatever its own
// temporary files hold, and it does not notice when writing them fell short (a full temporary
// folder, a file size limit).

std::uint32_t LittleEndianAt(const std::string& bytes, std::size_t at, int width)
{
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + std::size_t(i)]);
    return value;
}

std::string ReadAt(std::ifstream& file, std::uint64_t offset, std::size_t count)
{
    std::string bytes(count, '\0');
    file.clear();
    file.seekg(std::streamoff(offset));
    file.read(bytes.data(), std::streamsize(count));
    bytes.resize(std::size_t(std::max<std::streamsize>(0, file.gcount())));
    return bytes;
}

// One member of the package, unpacked piece by piece: the size and checksum the directory lists
// must come out, and a part that is XML must be one whole document.
class TMemberCheck {
public:
    explicit TMemberCheck(bool xml) : xml_(xml) {}
    void Add(const char* bytes, std::size_t count)
    {
        size_ += count;
        crc_ = crc32(crc_, reinterpret_cast<const Bytef*>(bytes), uInt(count));
        if (!xml_) return;
        reader_.addData(QByteArray(bytes, qsizetype(count)));
        Parse();
    }
    bool Whole(std::uint64_t size, std::uint32_t crc)
    {
        if (size_ != size || crc_ != crc) return false;
        if (!xml_) return true;
        Parse();
        return root_ && reader_.atEnd() && !reader_.hasError();
    }

private:
    void Parse()
    {
        while (!reader_.atEnd()) root_ = reader_.readNext() == QXmlStreamReader::StartElement || root_;
    }
    bool xml_;
    QXmlStreamReader reader_;
    bool root_ = false;
    std::uint64_t size_ = 0;
    uLong crc_ = crc32(0, nullptr, 0);
};

bool MemberIsWhole(std::ifstream& zip, std::uint64_t local, int method, std::uint64_t packedSize, std::uint64_t size,
                   std::uint32_t crc, bool xml)
{
    const std::string header = ReadAt(zip, local, 30);
    if (header.size() != 30 || LittleEndianAt(header, 0, 4) != 0x04034b50) return false;
    zip.clear();
    zip.seekg(std::streamoff(local + 30 + LittleEndianAt(header, 26, 2) + LittleEndianAt(header, 28, 2)));
    if (method != 0 && method != Z_DEFLATED) return false;
    TMemberCheck check(xml);
    z_stream stream{};
    if (method == Z_DEFLATED && inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
    std::string in(65536, '\0');
    std::string out(65536, '\0');
    int result = Z_OK;
    for (std::uint64_t left = packedSize; left > 0 && result != Z_STREAM_END;) {
        zip.read(in.data(), std::streamsize(std::min<std::uint64_t>(left, in.size())));
        const auto got = std::size_t(zip.gcount());
        if (got == 0) break;
        left -= got;
        if (method == 0) {
            check.Add(in.data(), got);
            continue;
        }
        stream.next_in = reinterpret_cast<Bytef*>(in.data());
        stream.avail_in = uInt(got);
        do {
            stream.next_out = reinterpret_cast<Bytef*>(out.data());
            stream.avail_out = uInt(out.size());
            result = inflate(&stream, Z_NO_FLUSH);
            if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) break;
            check.Add(out.data(), out.size() - stream.avail_out);
        } while (stream.avail_out == 0 && result != Z_STREAM_END);
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) break;
    }
    if (method == Z_DEFLATED) inflateEnd(&stream);
    return (method == 0 || result == Z_STREAM_END) && check.Whole(size, crc);
}

struct TWorkbookCheck {
    std::string BrokenPart;  // empty: every part is whole
    std::uint64_t LargestPart = 0;
};

TWorkbookCheck CheckWorkbookFile(const std::string& path)
{
    TWorkbookCheck check;
    std::ifstream zip(path, std::ios::binary);
    zip.seekg(0, std::ios::end);
    const std::uint64_t fileSize = std::uint64_t(std::max<std::streamoff>(0, zip.tellg()));
    // The end record stands in the last 22 bytes unless a comment follows it (ours has none).
    const std::string end = fileSize >= 22 ? ReadAt(zip, fileSize - 22, 22) : std::string();
    const std::uint64_t directoryAt = end.size() == 22 ? LittleEndianAt(end, 16, 4) : 0;
    const std::uint64_t directorySize = end.size() == 22 ? LittleEndianAt(end, 12, 4) : 0;
    if (end.size() != 22 || LittleEndianAt(end, 0, 4) != 0x06054b50 || directoryAt + directorySize > fileSize - 22) {
        check.BrokenPart = "its directory";
        return check;
    }
    const std::string directory = ReadAt(zip, directoryAt, std::size_t(directorySize));
    const std::size_t count = LittleEndianAt(end, 10, 2);
    std::size_t at = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (at + 46 > directory.size() || LittleEndianAt(directory, at, 4) != 0x02014b50 ||
            at + 46 + LittleEndianAt(directory, at + 28, 2) > directory.size()) {
            check.BrokenPart = "its directory";
            return check;
        }
        const std::size_t nameLength = LittleEndianAt(directory, at + 28, 2);
        const std::string name = directory.substr(at + 46, nameLength);
        const std::uint32_t size = LittleEndianAt(directory, at + 24, 4);
        check.LargestPart = std::max<std::uint64_t>(check.LargestPart, size);
        const bool xml = name.ends_with(".xml") || name.ends_with(".rels");
        if (!MemberIsWhole(zip, LittleEndianAt(directory, at + 42, 4), int(LittleEndianAt(directory, at + 10, 2)),
                           LittleEndianAt(directory, at + 20, 4), size, LittleEndianAt(directory, at + 16, 4), xml)) {
            check.BrokenPart = name;
            return check;
        }
        at += 46 + nameLength + LittleEndianAt(directory, at + 30, 2) + LittleEndianAt(directory, at + 32, 2);
    }
    return check;
}

// Why a file of that size could not be written in the folder just now ("No space left on
// device", "File too large"), or "" when it can be.
std::string WhyNoRoomFor(const std::string& folder, std::uint64_t bytes)
{
    std::string name = (fs::path(folder) / "quellbrook-probe-XXXXXX").string();
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    ::unlink(name.c_str());
    const int error = ::posix_fallocate(fd, 0, off_t(bytes));
    ::close(fd);
    return error == 0 || error == EOPNOTSUPP || error == EINVAL ? std::string() : std::strerror(error);
}

constexpr std::uint64_t kProbeMargin = 1 << 20;

// The system's temporary folder ($TMPDIR when it names one).
std::string TemporaryFolder()
{
    std::error_code error;
    const fs::path folder = fs::temp_directory_path(error);
    return error ? std::string("/tmp") : folder.string();
}

// One workbook written to a temporary file beside the destination and renamed over it only when
// the library reported no error and every part of it reads back whole.
class TWorkbookWriter {
public:
    explicit TWorkbookWriter(std::string path)
        : path_(std::move(path)), temporary_(path_ + ".tmp"), libraryFolder_(TemporaryFolder())
    {
        lxw_workbook_options options{};
        options.tmpdir = libraryFolder_.data();
        workbook_ = workbook_new_opt(temporary_.c_str(), &options);
        if (!workbook_) Fail("the library could not start it");
        sheet_ = workbook_add_worksheet(workbook_, nullptr);
        dateFormat_ = workbook_add_format(workbook_);
        if (!sheet_ || !dateFormat_) Fail("the library could not start it");
        format_set_num_format(dateFormat_, "yyyy-mm-dd");
    }
    ~TWorkbookWriter()
    {
        if (workbook_) workbook_close(workbook_);
        std::error_code error;
        if (!saved_) fs::remove(temporary_, error);
    }
    TWorkbookWriter(const TWorkbookWriter&) = delete;
    TWorkbookWriter& operator=(const TWorkbookWriter&) = delete;

    void WriteText(int row, int column, const std::string& text)
    {
        if (!text.empty()) Check(worksheet_write_string(sheet_, row, column, text.c_str(), nullptr));
    }

    // Numbers, dates and logical values keep their kind; everything else goes as its text.
    void WriteField(int row, int column, const TField& field)
    {
        if (field.IsNull()) return;
        if (IsNumberField(field.DataType()))
            Check(worksheet_write_number(sheet_, row, column, field.AsFloat(), nullptr));
        else if (field.DataType() == ftDate || field.DataType() == ftDateTime)
            Check(worksheet_write_number(sheet_, row, column, field.AsDateTime(), dateFormat_));
        else if (field.DataType() == ftBoolean)
            Check(worksheet_write_boolean(sheet_, row, column, field.AsBoolean(), nullptr));
        else
            WriteText(row, column, field.AsString());
    }

    void Save()
    {
        errno = 0;
        const lxw_error error = workbook_close(workbook_);
        const int closeErrno = errno;
        workbook_ = nullptr;
        if (error != LXW_NO_ERROR)
            Fail(std::string(lxw_strerror(error)) + (closeErrno != 0 ? std::string(" ") + std::strerror(closeErrno) : ""));
        const TWorkbookCheck check = CheckWorkbookFile(temporary_);
        if (!check.BrokenPart.empty()) {
            const std::string why = WhyNoRoomFor(libraryFolder_, check.LargestPart + kProbeMargin);
            Fail(why.empty() ? check.BrokenPart + " came out incomplete" : why);
        }
        const int fd = ::open(temporary_.c_str(), O_RDONLY | O_CLOEXEC);
        const int syncError = fd < 0 ? errno : ::fsync(fd) != 0 ? errno : 0;
        if (fd >= 0) ::close(fd);
        if (syncError != 0) Fail(std::strerror(syncError));
        std::error_code renameError;
        fs::rename(temporary_, path_, renameError);
        if (renameError) Fail(renameError.message());
        saved_ = true;
    }

private:
    [[noreturn]] void Fail(const std::string& cause) const
    {
        throw Exception("Cannot write the workbook " + path_ + ": " + cause);
    }
    void Check(lxw_error error) const
    {
        if (error != LXW_NO_ERROR) Fail(lxw_strerror(error));
    }

    std::string path_;
    std::string temporary_;
    std::string libraryFolder_;  // where the library keeps the parts until it packs them
    lxw_workbook* workbook_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    lxw_format* dateFormat_ = nullptr;
    bool saved_ = false;
};

// The field names of the table a TTable names, whether it is a dBase or a Paradox file.
void DestinationFieldNames(TTable& table, TStringList& names)
{
    if (!IsParadoxTableName(table.TableName())) {
        table.GetFieldNames(names);
        return;
    }
    TParadoxTable paradox;
    paradox.DatabaseName = table.DatabaseName();
    paradox.TableName = table.TableName();
    paradox.GetFieldNames(names);
}

}  // namespace

// Every change of the dataset (posts, imports, closing) shows in the record count, not only
// the ones the replaced dataset handlers see.
class TFormTable::TCountLink : public TDataLink {
public:
    explicit TCountLink(TFormTable& window) : window_(window) {}

protected:
    void ActiveChanged() override { window_.ShowRecordCount(); }
    void DataSetChanged() override { window_.ShowRecordCount(); }

private:
    TFormTable& window_;
};

// While a long copy runs the grid is detached and the progress panel shown; both come back in
// every case.
class TFormTable::TGridDetached {
public:
    explicit TGridDetached(TFormTable& window) : window_(window)
    {
        window_.keptDataSource_ = window_.DBGrid->DataSource();
        window_.DBGrid->SetDataSource(nullptr);
        window_.PrgBar->setValue(0);
        window_.CenterProgressPanel();
        window_.PanelPrg->show();
        window_.PanelPrg->raise();
    }
    ~TGridDetached()
    {
        window_.PanelPrg->hide();
        window_.DBGrid->SetDataSource(window_.keptDataSource_);
        window_.keptDataSource_ = nullptr;
    }
    TGridDetached(const TGridDetached&) = delete;
    TGridDetached& operator=(const TGridDetached&) = delete;

private:
    TFormTable& window_;
};

TFormTable::TFormTable(QWidget* parent)
    : QWidget(parent, Qt::Window),
      DBGrid(new TDBGrid),
      PanelBtns(new QFrame(this)),
      DBNavigator(new TDBNavigator(PanelBtns)),
      LblCountTitle(new QLabel("Number", PanelBtns)),
      LblCount(new QLabel(PanelBtns)),
      BtnDelAll(new QToolButton(PanelBtns)),
      BtnImport(new QToolButton(PanelBtns)),
      BtnFill(new QPushButton(PanelBtns)),
      BtnDBcopy(new QPushButton(PanelBtns)),
      BtnExport(new QPushButton(PanelBtns)),
      BtnGraph(new QPushButton(PanelBtns)),
      SplitterGraph(new QSplitter(Qt::Vertical, this)),
      PanelGraph(new QFrame),
      PanelPrg(new QFrame(this)),
      PrgBar(new QProgressBar(PanelPrg))
{
    FormTable = this;
    countLink_ = std::make_unique<TCountLink>(*this);
    setObjectName("FormTable");
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(FormFont());
    KeepOnScreen(this);
    resize(kDesignSize);

    BuildButtonPanel();
    DBGrid->setObjectName("DBGrid");
    DBGrid->setAccessibleName("DBGrid");
    DBGrid->OnCellClick = [this](TField& field) { RunHandler([&] { DBGridCellClick(field); }); };
    DBGrid->OnDblClick = [this] { RunHandler([this] { DBGridDblClick(); }); };
    BuildGraphPanel();
    SplitterGraph->setObjectName("SplitterGraph");
    SplitterGraph->setAccessibleName("SplitterGraph");
    SplitterGraph->addWidget(DBGrid);
    SplitterGraph->addWidget(PanelGraph);
    SplitterGraph->setChildrenCollapsible(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(PanelBtns);
    layout->addWidget(SplitterGraph, 1);
    BuildProgressPanel();

    SaveDlg.Title = "Uložit data jako";
    SaveDlg.Filter = kSaveFilter;
    SaveDlg.DefaultExt = "txt";
    OpenDlg.Filter = kOpenFilter;
}

TFormTable::~TFormTable()
{
    Release();
    if (FormTable == this) FormTable = nullptr;
    ReleaseGraph();
}

void TFormTable::BuildButtonPanel()
{
    PanelBtns->setObjectName("PanelBtns");
    PanelBtns->setAccessibleName("PanelBtns");
    PanelBtns->setFixedHeight(kPanelBtnsHeight);
    DBNavigator->setObjectName("DBNavigator");
    DBNavigator->setAccessibleName("DBNavigator");
    DBNavigator->SetVisibleButtons(kBrowseButtons);
    LblCountTitle->setObjectName("LblCountTitle");
    SetCaption(LblCountTitle, "Number");
    LblCount->setObjectName("LblCount");
    SetCaption(LblCount, "---");

    const std::pair<QToolButton*, QStyle::StandardPixmap> glyphs[] = {
        {BtnDelAll, QStyle::SP_TrashIcon}, {BtnImport, QStyle::SP_DialogOpenButton}};
    for (const auto& [button, pixmap] : glyphs) button->setIcon(style()->standardIcon(pixmap));
    BtnDelAll->setObjectName("BtnDelAll");
    SetHint(BtnDelAll, "Clear all lines");
    BtnDelAll->hide();
    BtnImport->setObjectName("BtnImport");
    SetHint(BtnImport, "Import from file");
    BtnImport->hide();
    BtnFill->setObjectName("BtnFill");
    SetCaption(BtnFill, "Fill");
    SetHint(BtnFill, "Fill specific values");
    BtnFill->hide();
    BtnDBcopy->setObjectName("BtnDBcopy");
    SetCaption(BtnDBcopy, "DB Copy");
    BtnDBcopy->installEventFilter(this);
    BtnExport->setObjectName("BtnExport");
    SetCaption(BtnExport, "Save as text");
    BtnGraph->setObjectName("BtnGraph");
    SetCaption(BtnGraph, "Graph");

    auto* layout = new QHBoxLayout(PanelBtns);
    layout->setContentsMargins(8, 8, 8, 8);
    for (QWidget* control : std::initializer_list<QWidget*>{DBNavigator, LblCountTitle, LblCount, BtnDelAll, BtnImport,
                                                            BtnFill, BtnDBcopy, BtnExport, BtnGraph})
        layout->addWidget(control);
    layout->addStretch();

    connect(BtnDelAll, &QToolButton::clicked, this, Guarded(this, &TFormTable::BtnDelAllClick));
    connect(BtnImport, &QToolButton::clicked, this, Guarded(this, &TFormTable::BtnImportClick));
    connect(BtnFill, &QPushButton::clicked, this, Guarded(this, &TFormTable::BtnFillClick));
    connect(BtnDBcopy, &QPushButton::clicked, this, Guarded(this, &TFormTable::BtnDBcopyClick));
    connect(BtnExport, &QPushButton::clicked, this, Guarded(this, &TFormTable::BtnExportClick));
    connect(BtnGraph, &QPushButton::clicked, this, Guarded(this, &TFormTable::BtnGraphClick));
}

void TFormTable::BuildProgressPanel()
{
    PanelPrg->setObjectName("PanelPrg");
    PanelPrg->setAccessibleName("PanelPrg");
    PanelPrg->setFrameShape(QFrame::Panel);
    PanelPrg->resize(kProgressSize);
    PrgBar->setObjectName("PrgBar");
    PrgBar->setAccessibleName("PrgBar");
    PrgBar->setRange(0, 100);
    auto* layout = new QHBoxLayout(PanelPrg);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(PrgBar);
    PanelPrg->hide();
}

void TFormTable::CenterProgressPanel()
{
    QRect frame = PanelPrg->geometry();
    frame.moveCenter(rect().center());
    PanelPrg->setGeometry(frame);
}

void TFormTable::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    CenterProgressPanel();
}

void TFormTable::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) ShowRecordCount();
}

bool TFormTable::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == BtnDBcopy && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        RunHandler([this] { BtnDBcopyRightClick(); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

std::string TFormTable::Text(int id) const
{
    return lngModule_ ? lngModule_->GetText(id) : "[" + std::to_string(id) + "]";
}

TDataSet& TFormTable::GridDataSet() const
{
    TDataSource* source = keptDataSource_ ? keptDataSource_ : DBGrid->DataSource();
    if (!source || !source->DataSet()) DatabaseError("The table window shows no dataset");
    return *source->DataSet();
}

// ---- binding and the window lists

void TFormTable::Bind(TDataSet* dataSet, TDataSource* dataSource)
{
    RestoreDataSetEvents();
    boundDataSet_ = dataSet;
    savedAfterDelete_ = dataSet->AfterDelete;
    savedAfterInsert_ = dataSet->AfterInsert;
    savedAfterOpen_ = dataSet->AfterOpen;
    dataSet->AfterDelete = [this, previous = savedAfterDelete_](TDataSet& d) {
        DataSetEvent(previous, d);
        RefreshGraphLater();
    };
    dataSet->AfterInsert = [this, previous = savedAfterInsert_](TDataSet& d) { DataSetEvent(previous, d); };
    dataSet->AfterOpen = [this, previous = savedAfterOpen_](TDataSet& d) { DataSetEvent(previous, d); };
    DBGrid->SetDataSource(dataSource);
    DBNavigator->SetDataSource(dataSource);
    countLink_->SetDataSource(dataSource);
}

void TFormTable::RestoreDataSetEvents()
{
    if (!boundDataSet_) return;
    boundDataSet_->AfterDelete = savedAfterDelete_;
    boundDataSet_->AfterInsert = savedAfterInsert_;
    boundDataSet_->AfterOpen = savedAfterOpen_;
    boundDataSet_ = nullptr;
}

void TFormTable::DataSetEvent(const TDataSetNotifyEvent& previous, TDataSet& dataSet)
{
    if (previous) {
        try {
            previous(dataSet);
        } catch (...) {
            // The replaced handler's failure must not stop the count from following the dataset.
        }
    }
    ShowRecordCount();
}

void TFormTable::ShowRecordCount()
{
    const bool active = boundDataSet_ && boundDataSet_->Active();
    SetCaption(LblCount, active ? std::to_string(boundDataSet_->RecordCount()) : "---");
}

void TFormTable::EnableEditCommands()
{
    if (!boundDataSet_ || !boundDataSet_->CanModify()) return;
    BtnFill->show();
    BtnImport->show();
    BtnDelAll->show();
    DBNavigator->SetVisibleButtons(kBrowseButtons | NavButton(nbDelete));
}

void TFormTable::PlaceInList(int browseNumber)
{
    if (browseNumber < 0) {
        browseNumber_ = -1;
        std::vector<TFormTable*>& list = QueryList();
        if (std::find(list.begin(), list.end(), this) == list.end()) list.push_back(this);
        const long index = std::find(list.begin(), list.end(), this) - list.begin();
        setWindowTitle(QText("Query " + std::to_string(index) + " (Time " + TimeToStr(Now()) + ")"));
    } else {
        browseNumber_ = browseNumber;
        std::vector<TFormTable*>& list = BrowseList();
        if (int(list.size()) <= browseNumber) list.resize(browseNumber + 1, nullptr);
        list[browseNumber] = this;
        setWindowTitle(QText("T" + std::to_string(browseNumber) + " Browse"));
    }
    setAccessibleName(windowTitle());
}

void TFormTable::LeaveList()
{
    std::vector<TFormTable*>& queries = QueryList();
    queries.erase(std::remove(queries.begin(), queries.end(), this), queries.end());
    for (TFormTable*& entry : BrowseList())
        if (entry == this) entry = nullptr;
}

void TFormTable::Release()
{
    if (released_) return;
    released_ = true;
    if (DBGrid->DataSource()) CloseMemoBrowsers(DBGrid->DataSource());
    RestoreDataSetEvents();
    DBGrid->SetDataSource(nullptr);
    DBNavigator->SetDataSource(nullptr);
    countLink_->SetDataSource(nullptr);
    LeaveList();
    if (closeCallback_) closeCallback_(closeOwner_);
    closeCallback_ = nullptr;
    closeOwner_ = nullptr;
}

void TFormTable::closeEvent(QCloseEvent* event)
{
    bool close = g_programClosesWindows;
    if (close)
        SavePendingEdit();
    else
        RunHandler([&] { close = ConfirmPendingEdit(); });
    if (!close) {
        event->ignore();
        return;
    }
    Release();
    event->accept();
}

TDataSet* TFormTable::ShownDataSet() const
{
    TDataSource* source = DBGrid->DataSource();
    TDataSet* dataSet = source ? source->DataSet() : nullptr;
    return dataSet && dataSet->Active() ? dataSet : nullptr;
}

void TFormTable::SavePendingEdit()
{
    TDataSet* dataSet = ShownDataSet();
    if (!dataSet) return;
    try {
        dataSet->CheckBrowseMode();
    } catch (...) {
        HandleException();
        DBGrid->DiscardCellEditor();
        dataSet->Cancel();
    }
}

bool TFormTable::ConfirmPendingEdit()
{
    TDataSet* dataSet = ShownDataSet();
    if (!dataSet) return true;
    const bool editing = dataSet->State() == dsEdit || dataSet->State() == dsInsert;
    if (!DBGrid->CellEditorOpen() && !(editing && dataSet->Modified())) return true;
    switch (UiServices().MessageDlg("Save the changes of the current record?", TMsgDlgType::mtConfirmation,
                                    mbYes | mbNo | mbCancel, mbYes)) {
    case mrYes:
        // A refused post is shown and the window stays open.
        dataSet->CheckBrowseMode();
        return true;
    case mrNo:
        DBGrid->DiscardCellEditor();
        dataSet->Cancel();
        return true;
    default:
        return false;
    }
}

void SetupTableWindow(TFormTable* window, std::uint16_t language)
{
    window->lngModule_ = GetLngModule(language, "SetQuery");
    SetHint(window->BtnDelAll, window->Text(620));
    SetHint(window->BtnImport, window->Text(660));
    SetHint(window->BtnFill, window->Text(690));
    SetCaption(window->BtnFill, window->Text(650));
    SetCaption(window->BtnDBcopy, window->Text(610));
    SetCaption(window->BtnExport, window->Text(670));
    window->SaveDlg.Title = window->Text(680);
    SetCaption(window->LblCountTitle, window->Text(615));
    TStringList hints = window->DBNavigator->Hints();
    LoadNavigatorHints(language, hints);
    window->DBNavigator->SetHints(hints);
}

void ShowTableWindow(TFormTable* window, int browseNumber, TDataSource* dataSource)
{
    g_browseListCreated = true;
    TDataSet* dataSet = dataSource ? dataSource->DataSet() : nullptr;
    if (dataSet && dataSet != window->boundDataSet_) {
        window->Bind(dataSet, dataSource);
        window->PlaceInList(browseNumber);
        window->EnableEditCommands();
        window->ShowRecordCount();
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void ShowTableWindowWithCallback(TFormTable* window, int browseNumber, TDataSource* dataSource, QObject* owner,
                                 TTableCloseCallback callback)
{
    window->closeOwner_ = owner;
    window->closeCallback_ = callback;
    ShowTableWindow(window, browseNumber, dataSource);
}

TFormTable* BrowseTableWindow(int browseNumber)
{
    const std::vector<TFormTable*>& list = BrowseList();
    return browseNumber >= 0 && browseNumber < int(list.size()) ? list[browseNumber] : nullptr;
}

const std::vector<TFormTable*>* BrowseTableWindows() { return g_browseListCreated ? &BrowseList() : nullptr; }

const std::vector<TFormTable*>& QueryTableWindows() { return QueryList(); }

namespace {
std::vector<TFormTable*> ListedWindows()
{
    std::vector<TFormTable*> windows = QueryList();
    for (TFormTable* window : BrowseList())
        if (window) windows.push_back(window);
    return windows;
}
}  // namespace

void CloseTableWindows(const TDataSet& dataSet)
{
    const QScopedValueRollback<bool> programCloses(g_programClosesWindows, true);
    for (TFormTable* window : ListedWindows())
        if (window->BoundDataSet() == &dataSet) window->close();
}

void CloseTableWindows()
{
    const QScopedValueRollback<bool> programCloses(g_programClosesWindows, true);
    for (TFormTable* window : ListedWindows()) window->close();
}

// ---- commands

void TFormTable::BtnDelAllClick()
{
    if (!UiServices().AskYesNo(Text(620) + "?", mbNo)) return;
    TDataSet& dataSet = GridDataSet();
    dataSet.First();
    while (!dataSet.IsEmpty()) dataSet.Delete();
}

std::string SaveDlgDefaultExt(int filterIndex)
{
    static const char* const kExtensions[] = {"txt", "dbf", "db", "xlsx", "mdb"};
    return filterIndex >= sfText && filterIndex <= sfAccess ? kExtensions[filterIndex - 1] : "";
}

void TFormTable::SaveDlgTypeChange(int filterIndex) { SaveDlg.DefaultExt = SaveDlgDefaultExt(filterIndex); }

void TFormTable::BtnDBcopyClick()
{
    SaveDlg.FilterIndex = sfDBase;
    SaveDlgTypeChange(SaveDlg.FilterIndex);
    if (UiServices().SaveFileDialog(SaveDlg)) CopyToFile(SaveDlg.FileName);
}

void TFormTable::BtnDBcopyRightClick()
{
    switch (ChooseFixed(this, "Copy data to", "Database type", 0, kCopyTargetItems)) {
    case 1: BtnDBcopyClick(); break;
    case 2: ExportToAccess(""); break;
    case 3: CopyToMSSql(); break;
    default: break;  // "Cancel" or a closed chooser
    }
}

// ---- copies

void TFormTable::CopyToFile(const std::string& fileName)
{
    const std::string extension = LowerExtension(fileName);
    if (extension == ".xls" || extension == ".xlsx")
        CopyToSpreadsheet(fileName);
    else if (extension == ".mdb" || extension == ".accdb")
        ExportToAccess(fileName);
    else
        CopyToTable(fileName);
}

void TFormTable::CopyToSpreadsheet(const std::string& fileName)
{
    const std::string path = WorkbookPath(fileName);
    TDataSet& dataSet = GridDataSet();
    {
        TGridDetached detached(*this);
        TWorkbookWriter workbook(path);
        const int fieldCount = dataSet.FieldCount();
        for (int column = 0; column < fieldCount; ++column)
            workbook.WriteText(0, column, dataSet.Fields().Fields(column).FieldName());
        const int recordCount = dataSet.RecordCount();
        int row = 2;  // counted as the sheet counts its rows
        for (dataSet.First(); !dataSet.Eof(); dataSet.Next(), ++row) {
            for (int column = 0; column < fieldCount; ++column)
                workbook.WriteField(row - 1, column, dataSet.Fields().Fields(column));
            PrgBar->setValue(int(Rnd(row * 100.0 / (recordCount + 1))));
        }
        workbook.Save();
    }
    UiServices().ShowInformation(Text(630) + " " + path + " " + Text(710) + ".");
}

void TFormTable::CopyToTable(const std::string& fileName)
{
    TDataSet& source = GridDataSet();
    const std::string extension = LowerExtension(fileName);
    TTable table;
    std::unique_ptr<TTextTable> text;
    std::unique_ptr<TBatchDestination> destination;
    if (extension == ".txt") {
        text = std::make_unique<TTextTable>(fileName);
        destination = std::make_unique<TTextTableDestination>(*text);
    } else {
        table.SetDatabaseName(databaseName_);
        table.SetTableName(fileName);
        destination = MakeBatchDestination(table);
    }
    const bool exists = text ? text->Exists() : table.Exists();
    TBatchMode mode = batCopy;
    if (exists) {
        const int choice = ChooseFixed(this, "Select", "Copy mode", kCopyModeDefault, kCopyModeItems);
        if (choice < 0) return;  // a closed chooser writes nothing
        mode = kCopyModes[choice];
        if ((mode == batAppend || mode == batUpdate || mode == batAppendUpdate) && !text) ChooseIndex(table);
    }
    TBatchMove move;
    move.Source = &source;
    move.SetDestination(std::move(destination));
    move.Mode = mode;
    move.Execute();
}

void TFormTable::ChooseIndex(TTable& table)
{
    if (!table.IndexFieldNames().empty()) {
        const int index = ChooseFixed(this, "Select index", "Field", -1, table.IndexFieldNames());
        if (index < 0) return;
        table.Close();
        table.SetIndexFieldNames(FormSelectCase->ItemText(index));
        return;
    }
    TStringList names;
    DestinationFieldNames(table, names);
    names.Delimiter = ';';
    names.QuoteChar = '"';
    const int index = ChooseFixed(this, "Define new index", "Field", -1, names.DelimitedText());
    if (index < 0) return;
    const std::string field = FormSelectCase->ItemText(index);
    table.Close();
    // Local SQL runs on dBase tables; a Paradox destination is keyed by the move itself.
    if (!IsParadoxTableName(table.TableName())) {
        TQuery query;
        query.SetDatabaseName(table.DatabaseName());
        query.SQL().Add("CREATE INDEX " + field + " ON " + FromClause(table.TableName()) + " (" + field + ")");
        query.ExecSQL();
    }
    table.SetIndexFieldNames(field);
}

void TFormTable::ExportToAccess(const std::string& fileName)
{
    std::string file = fileName;
    if (file.empty()) {
        SaveDlg.FilterIndex = sfAccess;
        SaveDlg.DefaultExt = "mdb";
        if (!UiServices().SaveFileDialog(SaveDlg)) return;
        file = SaveDlg.FileName;
    }
    TDataSet& dataSet = GridDataSet();
    // Made for each export: a database name is unique in the session, and windows come and go.
    TDatabase DatabaseMDB;
    DatabaseMDB.SetDatabaseName("dbAccess");
    DatabaseMDB.DriverName = "Microsoft Access Driver (*.mdb)";
    TGridDetached detached(*this);
    ExportToMSAccess(dataSet, file, DatabaseMDB, PrgBar, this);
}

void TFormTable::CopyToMSSql() { CopyToMSSqlServer(GridDataSet(), this); }

// ---- commands of the tools (import, fill, text export, memo and character views)

void TFormTable::BtnImportClick()
{
    if (UiServices().OpenFileDialog(OpenDlg)) ImportFromTextFile(OpenDlg.FileName, GridDataSet(), this);
}
void TFormTable::BtnFillClick()
{
    TFormReplaceField form;
    form.ApplyLanguage(lngModule_);
    form.Setup(&GridDataSet(), x(), DBGrid->DataSource(), y());
}
void TFormTable::BtnExportClick()
{
    SaveDlg.FilterIndex = sfText;
    SaveDlgTypeChange(SaveDlg.FilterIndex);
    if (UiServices().SaveFileDialog(SaveDlg)) ExportToTextFile(SaveDlg.FileName, GridDataSet(), Text(640), this);
}
void TFormTable::DBGridCellClick(TField& field)
{
    if (field.DataType() == ftMemo) BrowseMemoField(DBGrid->DataSource(), &field);
}

void TFormTable::DBGridDblClick()
{
    TField* field = DBGrid->SelectedField();
    if (field && field->DataType() == ftString) ShowTextFieldAnalyze(DBGrid->DataSource(), field, QCursor::pos());
}
