#include "app/FInfo.h"

#include <pwd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <cstdlib>
#include <algorithm>
#include <functional>
#include <filesystem>
#include <system_error>

#include "app/FSelectDirectory.h"
#include "app/SPGetSid.h"
#include "app/UORUCommon.h"
#include "platform/ui/Application.h"
#include "platform/ui/FormTable.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/WindowFit.h"

std::string CommonDirectory;
std::string ShippedDirectory;
int AutoCloseInfoForm = 10;
TFormInfo* FormInfo = nullptr;

namespace {
const char* const kOruKey = "\\Software\\ORU";
// The program's own installation data, beside the common settings of the maker's programs.
const char* const kInstallationKey = "\\Software\\ORU\\Quellbrook";
const char* const kCommonFolderName = "CommonFilesORU";
constexpr int kDefaultAutoClose = 10;
// A folder holding this file holds the shipped language files.
const char* const kShippedMarker = "SetQuery409.lng";
#ifndef QB_SHIPPED_FROM_PROGRAM
#define QB_SHIPPED_FROM_PROGRAM "../share/quellbrook/common"
#endif
const char* const kCommonDirectoryQuestion = "Common ORU directory";
const char* const kCommonDirectoryPurpose =
    "Settings shared by the programs of ORU are kept in this folder: the language files of the "
    "windows, the navigator hints and the database connection settings. The folder proposed holds "
    "the files that come with Quellbrook.";

const char* const kVersionKeys[] = {
    "CompanyName",  "FileDescription",  "FileVersion", "InternalName",   "LegalCopyright",
    "LegalTradeMarks", "OriginalFileName", "ProductName", "ProductVersion", "Comments",
};

// The maker's contact data.
const char* const kMakerName = "ORU, the Quellbrook developers";
const char* const kMakerAddress = "Postal address: see the web page";
const char* const kMakerPhone = "Phone: see the web page";
const char* const kMakerMail = "quellbrook@example.org";
const char* const kMakerWeb = "https://www.example.org/quellbrook";
const char* const kMakerCopyright = "Copyright (c) ORU, the Quellbrook developers";

const QSize kDesignClient(384, 222);
// The window's outer heights of 248 and 392 pixels hold a 26-pixel caption and frame; Qt sizes the
// client area, and its logical pixels already follow the screen's scale.
constexpr int kCollapsedHeight = 222;
constexpr int kExpandedHeight = 366;
const QColor kBackground(0xFF, 0xEE, 0xCC);  // 13430527 as a BGR value
constexpr int kMinimumTitlePoints = 9;
constexpr int kRightMargin = 8;

bool IsDirectory(const std::string& path)
{
    std::error_code error;
    return !path.empty() && std::filesystem::is_directory(path, error);
}

bool FileExists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

bool OpenKeyIn(TRegistry& registry, HKEY root, const std::string& key, bool canCreate, bool readOnly)
{
    registry.SetRootKey(root);
    try {
        return readOnly ? registry.OpenKeyReadOnly(key) : registry.OpenKey(key, canCreate);
    } catch (const Exception&) {
        return false;  // a hive file that can't be read counts as a key that can't be opened
    }
}

// HKEY_LOCAL_MACHINE first, HKEY_CURRENT_USER second.
bool OpenInHives(TRegistry& registry, const std::string& key, bool canCreate, bool readOnly)
{
    return OpenKeyIn(registry, HKEY_LOCAL_MACHINE, key, canCreate, readOnly) ||
           OpenKeyIn(registry, HKEY_CURRENT_USER, key, canCreate, readOnly);
}

std::string ReadStoredString(const TRegistry& registry, const std::string& name)
{
    try {
        return registry.ReadString(name);
    } catch (const Exception&) {
        return {};
    }
}

// A store that can't be written loses the setting for the next start only; this one goes on.
void TryWrite(const std::function<void()>& write)
{
    try {
        write();
    } catch (const Exception&) {
    }
}

int ReadAutoCloseSetting(TRegistry& registry, bool opened)
{
    if (opened) {
        try {
            return registry.ReadInteger("AutoCloseInfoForm");
        } catch (const Exception&) {
            TryWrite([&] { registry.WriteInteger("AutoCloseInfoForm", kDefaultAutoClose); });
        }
    }
    return kDefaultAutoClose;
}

// A new user's common directory gets the shipped language files; files already there stay.
void SeedCommonDirectory(const std::string& folder, const std::string& shipped)
{
    namespace fs = std::filesystem;
    std::error_code error;
    if (shipped.empty())
        return;
    fs::create_directories(folder, error);
    if (!IsDirectory(folder))
        return;
    for (const fs::directory_entry& entry : fs::directory_iterator(shipped, error)) {
        if (entry.path().extension() != ".lng" || !entry.is_regular_file(error))
            continue;
        fs::copy_file(entry.path(), fs::path(folder) / entry.path().filename(), fs::copy_options::skip_existing, error);
    }
}

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    const passwd* entry = getpwuid(getuid());
    return entry && entry->pw_dir ? entry->pw_dir : "";
}

// The labels of this window take the size of their text.
void SetFittedCaption(QLabel* label, const std::string& caption)
{
    SetCaption(label, caption);
    label->adjustSize();
}

void SetButtonCaption(QPushButton* button, const QString& caption)
{
    button->setText(caption);
    button->setAccessibleName(caption);
}

void MakeLink(QLabel* label, bool bold)
{
    QFont font = label->font();
    font.setUnderline(true);
    font.setBold(bold);
    label->setFont(font);
    label->setStyleSheet("color: blue");
    label->setCursor(Qt::PointingHandCursor);
    label->adjustSize();
}

QPixmap ProgramPicture()
{
    QPixmap picture(70, 70);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x2E, 0x6D, 0xA4));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(2, 2, 66, 66), 12, 12);
    painter.setPen(QPen(Qt::white, 5));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(16, 14, 36, 36));
    painter.drawLine(QPointF(40, 42), QPointF(54, 58));
    return picture;
}

QPixmap DecorativePicture(const QSize& size)
{
    QPixmap picture(size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
        painter.setBrush(QColor(0x2E, 0x6D, 0xA4, 18 + 8 * i));
        painter.drawEllipse(QPointF(size.width() + 20 - 25 * i, 40 + 45 * i), 70 - 10 * i, 70 - 10 * i);
    }
    return picture;
}
}  // namespace

// ---- Common directory ---------------------------------------------------------------------

std::string AddTrailingSlash(const std::string& path)
{
    if (path.empty() || path.back() == '/')
        return path;
    return path + '/';
}

std::string ProgramFolder() { return AddTrailingSlash(QCoreApplication::applicationDirPath().toStdString()); }

// The user's data folder of the desktop's base-directory rules.
std::string GetShellFolderPath(TShellFolder folder)
{
    switch (folder) {
    case TShellFolder::LocalAppData:
        if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/')
            return AddTrailingSlash(data);
        if (const std::string home = HomeFolder(); !home.empty())
            return AddTrailingSlash(home) + ".local/share/";
        return {};
    }
    return {};
}

std::string ProposedCommonDirectory(const std::string& programFolder)
{
    const std::string folder = AddTrailingSlash(programFolder);
    if (const std::size_t oru = folder.find("/ORU/"); oru != std::string::npos)
        return folder.substr(0, oru + 1) + kCommonFolderName;
    // A Linux program lies among other programs' files, so the default is the user's data folder.
    const std::string data = GetShellFolderPath(TShellFolder::LocalAppData);
    return (data.empty() ? folder : data) + kCommonFolderName;
}

std::string ShippedCommonDirectory(const std::string& programFolder)
{
    const std::string folder = AddTrailingSlash(programFolder);
    for (const std::string& candidate : {folder, folder + QB_SHIPPED_FROM_PROGRAM + "/"})
        if (FileExists(candidate + kShippedMarker))
            return std::filesystem::path(candidate).lexically_normal().string();
    return {};
}

std::string InitCommonDirectory(const std::string& programFileName)
{
    const std::string programFolder = std::filesystem::path(programFileName).parent_path().string();
    ShippedDirectory = ShippedCommonDirectory(programFolder);
    TRegistry registry;
    const bool opened = OpenInHives(registry, kOruKey, true, false);
    std::string dir = opened ? ReadStoredString(registry, "CommonPath") : std::string();
    if (!IsDirectory(dir))
        dir.clear();
    if (dir.empty()) {
        const std::string proposal = ProposedCommonDirectory(programFolder);
        // The user's own folder is proposed ready to use; a folder beside an ORU installation is
        // the administrator's to fill.
        if (proposal == GetShellFolderPath(TShellFolder::LocalAppData) + kCommonFolderName)
            SeedCommonDirectory(proposal, ShippedDirectory);
        dir = AskDirectory(proposal, kCommonDirectoryQuestion, kCommonDirectoryPurpose);
        if (opened)
            TryWrite([&] { registry.WriteString("CommonPath", dir); });
    }
    AutoCloseInfoForm = ReadAutoCloseSetting(registry, opened);
    registry.CloseKey();
    // The common directory does not become a library search folder: the only library the program
    // loads comes from the program's own folder, never from a folder any user may write to.
    return AddTrailingSlash(dir);
}

std::string LocateCommonSettingsFile(const std::string& fileName, bool fallBack)
{
    const std::string shellFolder = GetShellFolderPath(TShellFolder::LocalAppData);
    if (shellFolder.empty())
        return CommonDirectory + fileName;
    const std::string folder = shellFolder + kCommonFolderName + "/";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (FileExists(folder + fileName) || !fallBack)
        return folder + fileName;
    return CommonDirectory + fileName;
}

TStringList VersionInfoLines(std::span<const TVersionEntry> versionData)
{
    TStringList lines;
    for (const char* key : kVersionKeys)
        for (const TVersionEntry& entry : versionData)
            if (std::string(entry.Key) == key && *entry.Value)
                lines.Add(std::string(key) + "=" + entry.Value);
    return lines;
}

// ---- Information window -------------------------------------------------------------------

const TControlTable& FormInfoTable()
{
    using K = TControlKind;
    static const TControlTable table{
        .Name = "FormInfo",
        .Caption = "Program info",
        .DesignClient = kDesignClient,
        .Rows = {
            {.Kind = K::Picture, .Name = "Image1", .Accessible = "Quellbrook", .Place = {16, 16, 70, 70}},
            {.Kind = K::Picture, .Name = "Image2", .Accessible = "Decoration", .Place = {206, 0, 178, 222}, .MayOverlap = true},
            // The program's texts come with LoadVersionInfo; labels take the size of their text.
            {.Kind = K::Label, .Name = "LblTitle", .Place = {112, 16, 0, 0}, .CaptionFromCaller = true},
            {.Kind = K::Label, .Name = "LblComment", .Place = {112, 40, 0, 0}, .CaptionFromCaller = true},
            {.Kind = K::Label, .Name = "LblVersion", .Place = {112, 56, 0, 0}, .CaptionFromCaller = true},
            {.Kind = K::Label, .Name = "LblCopyright", .Place = {112, 88, 0, 0}, .CaptionFromCaller = true},
            {.Kind = K::Label, .Name = "Label4", .Caption = kMakerName, .Place = {112, 104, 0, 0}},
            {.Kind = K::Label, .Name = "Label6", .Caption = kMakerAddress, .Place = {112, 120, 0, 0}},
            {.Kind = K::Label, .Name = "Label7", .Caption = kMakerPhone, .Place = {112, 136, 0, 0}},
            // FitTexts moves the address right of it once the window's font is known.
            {.Kind = K::Label, .Name = "Label8", .Caption = "e-mail", .Place = {112, 152, 0, 0}, .MayOverlap = true},
            {.Kind = K::Label, .Name = "LblAddress", .Caption = kMakerMail, .Place = {152, 152, 0, 0}},
            {.Kind = K::Label, .Name = "LabelWeb", .Caption = kMakerWeb, .Place = {112, 168, 0, 0}},
            {.Kind = K::Label, .Name = "LabelUser", .Place = {112, 184, 0, 0}, .CaptionFromCaller = true},
            {.Kind = K::Label, .Name = "LabelCompany", .Place = {112, 200, 0, 0}, .CaptionFromCaller = true},
            {.Kind = K::Label, .Name = "Label1", .Caption = "Info form ver. 2022.5", .Place = {16, 90, 70, 30}},
            {.Kind = K::Button, .Name = "BtnOK", .Caption = "OK", .Place = {16, 128, 75, 25}},
            // Shown below the window's designed height: More Info grows the window for it.
            {.Kind = K::Memo, .Name = "Memo1", .Caption = "More info", .Place = {16, 224, 361, 137},
             .Hidden = true},
            {.Kind = K::Button, .Name = "BtnMore", .Caption = "More Info >>", .Place = {16, 160, 75, 25}, .Hidden = true},
            {.Kind = K::Button, .Name = "BtnAppDataDir", .Caption = "AppDataDir", .Hint = "Open application data dictionary",
             .Place = {16, 190, 75, 25}},
        },
    };
    return table;
}

TFormInfo::TFormInfo(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      form_(BuildForm(this, FormInfoTable()))
{
    Timer1 = new QTimer(this);
    Image1 = form_.Get<QLabel>("Image1");
    Image2 = form_.Get<QLabel>("Image2");
    LblTitle = form_.Get<QLabel>("LblTitle");
    LblComment = form_.Get<QLabel>("LblComment");
    LblVersion = form_.Get<QLabel>("LblVersion");
    LblCopyright = form_.Get<QLabel>("LblCopyright");
    Label4 = form_.Get<QLabel>("Label4");
    Label6 = form_.Get<QLabel>("Label6");
    Label7 = form_.Get<QLabel>("Label7");
    Label8 = form_.Get<QLabel>("Label8");
    LblAddress = form_.Get<QLabel>("LblAddress");
    LabelWeb = form_.Get<QLabel>("LabelWeb");
    LabelUser = form_.Get<QLabel>("LabelUser");
    LabelCompany = form_.Get<QLabel>("LabelCompany");
    Label1 = form_.Get<QLabel>("Label1");
    BtnOK = form_.Get<QPushButton>("BtnOK");
    Memo1 = form_.Get<QPlainTextEdit>("Memo1");
    BtnMore = form_.Get<QPushButton>("BtnMore");
    BtnAppDataDir = form_.Get<QPushButton>("BtnAppDataDir");
    QFont font("MS Sans Serif");
    font.setPixelSize(11);
    setFont(font);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, kBackground);
    setPalette(colours);
    setFixedSize(kDesignClient);

    Image1->setScaledContents(true);
    Image1->setPixmap(ProgramPicture());
    Image2->setGeometry(206, 0, kDesignClient.width() - 206, kDesignClient.height());
    Image2->setPixmap(DecorativePicture(Image2->size()));
    Image2->setEnabled(false);
    Image2->lower();

    QFont titleFont = LblTitle->font();
    titleFont.setBold(true);
    titleFont.setPixelSize(19);
    LblTitle->setFont(titleFont);
    LblTitle->setStyleSheet("color: blue");
    MakeLink(LblAddress, false);
    MakeLink(LabelWeb, true);
    LblAddress->installEventFilter(this);
    LabelWeb->installEventFilter(this);

    Label1->setStyleSheet("color: grey");
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label1->setWordWrap(true);

    BtnOK->setDefault(true);
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Timer1->setObjectName("Timer1");

    connect(BtnOK, &QPushButton::clicked, this, Guarded(this, &TFormInfo::BtnOKClick));
    connect(BtnMore, &QPushButton::clicked, this, Guarded(this, &TFormInfo::BtnMoreClick));
    connect(BtnAppDataDir, &QPushButton::clicked, this, Guarded(this, &TFormInfo::BtnAppDataDirClick));
    connect(Timer1, &QTimer::timeout, this, Guarded(this, &TFormInfo::Timer1Timer));

    // Qt keeps the laid-out client area whatever the window frame, so no border correction is needed.
    FitTexts();
    KeepOnScreen(this);
    OpenInstallationKey();
}

// The labels were made before the window's font was set; they take the size of their text in it,
// and the window grows where our font is wider than the one the window was laid out for.
void TFormInfo::FitTexts()
{
    for (QLabel* label : findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (!label->wordWrap() && label->pixmap().isNull()) label->adjustSize();
    constexpr int kGap = 4;
    if (LblAddress->x() < Label8->x() + Label8->width() + kGap)
        LblAddress->move(Label8->x() + Label8->width() + kGap, LblAddress->y());
    int needed = kDesignClient.width();
    for (QLabel* label : {LblComment, LblVersion, LblCopyright, Label4, Label6, Label7, LblAddress, LabelWeb,
                          LabelUser, LabelCompany})
        needed = std::max(needed, label->x() + label->width() + kRightMargin);
    setFixedWidth(needed);
    Image2->setGeometry(206, 0, needed - 206, kDesignClient.height());
    Image2->setPixmap(DecorativePicture(Image2->size()));
}

TFormInfo::~TFormInfo()
{
    if (FormInfo == this)
        FormInfo = nullptr;
}

void TFormInfo::OpenInstallationKey()
{
    auto registry = std::make_unique<TRegistry>();
    if (OpenInHives(*registry, kInstallationKey, false, true))
        registry_ = std::move(registry);
}

void TFormInfo::FormShow()
{
    infoLines_ = VersionInfoLines(ProgramVersionData);
    infoLines_.Add("Application path=" + ProgramFolder());
    if (infoLines_.IndexOfName("SID") < 0)
        infoLines_.Add("SID=" + GetCurrentUserSid());
    Memo1->setPlainText(QText(infoLines_.Text()).trimmed());
    BtnMore->setVisible(infoLines_.Count() > 0);
}

void TFormInfo::LoadVersionInfo(const std::string& title, const std::string& comment, const std::string& ownerText,
                                const std::string& versionSuffix)
{
    FormShow();
    const std::string internalName = InfoLine("InternalName");
    const std::string applicationTitle =
        Application() ? Application()->Title() : QCoreApplication::applicationName().toStdString();
    SetFittedCaption(LblTitle, !title.empty() ? title : "Program " + (internalName.empty() ? applicationTitle : internalName));
    SetFittedCaption(LblComment, !comment.empty() ? comment : InfoLine("FileDescription"));

    const std::string fileVersion = InfoLine("FileVersion");
    std::string version = "Version " + (fileVersion.empty() ? versionSuffix : fileVersion);
    if (!fileVersion.empty() && !versionSuffix.empty())
        version += " " + versionSuffix;
    SetFittedCaption(LblVersion, version);

    const std::string copyright = InfoLine("LegalCopyright");
    SetFittedCaption(LblCopyright, !copyright.empty() ? copyright
                             : ownerText.empty() ? kMakerCopyright
                                                 : std::string(kMakerCopyright) + " " + EncloseText(2, ownerText));
    SetFittedCaption(LabelUser, "");
    SetFittedCaption(LabelCompany, "");
    FitTexts();
}

void TFormInfo::SetInfoLine(const std::string& name, const std::string& value)
{
    infoLines_.SetValue(name, value);
    Memo1->setPlainText(QText(infoLines_.Text()).trimmed());
}

bool TFormInfo::ReadRegistryString(const std::string& name, std::string& value) const
{
    value.clear();
    if (!registry_)
        return false;
    try {
        value = registry_->ReadString(name);
        return true;
    } catch (const std::exception&) {
        value.clear();
        return false;
    }
}

std::string TFormInfo::MailToUrl() const
{
    return "mailto:" + LblAddress->text().toStdString() + "?Subject=" + LblTitle->text().toStdString() +
           ": User request";
}

// A modal window is activated each time it shows.
void TFormInfo::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TFormInfo::FormActivate()
{
    BtnAppDataDir->setVisible(!InfoLine("AppDataDirectory").empty());
    FitTitle();
}

// The title shrinks a point at a time until it fits beside the picture, down to 8 points.
void TFormInfo::FitTitle()
{
    QFont font = LblTitle->font();
    int points = font.pointSize() > 0 ? font.pointSize() : static_cast<int>(font.pixelSize() * 72 / 96.0 + 0.5);
    LblTitle->adjustSize();
    while (width() - LblTitle->x() - 5 < LblTitle->width() && points >= kMinimumTitlePoints) {
        font.setPointSize(--points);
        LblTitle->setFont(font);
        LblTitle->adjustSize();
    }
}

void TFormInfo::BtnOKClick()
{
    Timer1->stop();
    close();
}

void TFormInfo::Timer1Timer() { BtnOKClick(); }

void TFormInfo::BtnMoreClick()
{
    if (Memo1->isVisible()) {
        Memo1->hide();
        setFixedHeight(kCollapsedHeight);
        SetButtonCaption(BtnMore, "More Info >>");
        return;
    }
    if (!CommonDirectory.empty())
        SetInfoLine("CommonORUPath", CommonDirectory);
    Memo1->show();
    setFixedHeight(kExpandedHeight);
    SetButtonCaption(BtnMore, "<< Info");
}

// "Opening with the shell" is the desktop's default application for the folder or address.
void TFormInfo::BtnAppDataDirClick()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(QText(InfoLine("AppDataDirectory"))));
}

void TFormInfo::LabelWebClick() { QDesktopServices::openUrl(QUrl(kMakerWeb)); }

void TFormInfo::LblAddressClick() { QDesktopServices::openUrl(QUrl(QText(MailToUrl()))); }

bool TFormInfo::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == LblAddress)
            RunHandler([this] { LblAddressClick(); });
        else if (watched == LabelWeb)
            RunHandler([this] { LabelWebClick(); });
    }
    return QDialog::eventFilter(watched, event);
}
