#include "app/FSelectDirectory.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyle>
#include <QToolButton>
#include <filesystem>
#include <system_error>

#include "platform/core/SysUtils.h"
#include "platform/ui/Anchors.h"
#include "platform/ui/Application.h"
#include "platform/ui/FormTable.h"
#include "platform/ui/UiServices.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/WindowFit.h"

namespace {
const QSize kDesignClient(393, 97);

bool IsDirectory(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

// The directory the user chose, created when it does not exist yet.
void CreateChosenDirectory(const std::string& directory)
{
    std::error_code error;
    if (IsDirectory(directory) || std::filesystem::create_directories(directory, error))
        return;
    throw EInOutError("Cannot create directory " + directory + ": " + error.message(), error.value());
}
}  // namespace

const TControlTable& FormSelectDirectoryTable()
{
    static const TControlTable table{
        .Name = "FormSelectDirectory",
        .Caption = "Select directory",
        .DesignClient = kDesignClient,
        .Rows = {
            {.Kind = TControlKind::Label, .Name = "LabelCaption", .Accessible = "Directory", .Place = {8, 8, 377, 16},
             .Anchors = faLeft | faTop | faRight, .Buddy = "EditDir"},
            {.Kind = TControlKind::Edit, .Name = "EditDir", .Caption = "Directory", .Place = {8, 28, 319, 21},
             .Anchors = faLeft | faTop | faRight},
            {.Kind = TControlKind::ToolButton, .Name = "btnSelect1", .Hint = "Select local", .Place = {335, 27, 23, 23},
             .Anchors = faTop | faRight, .Picture = QStyle::SP_DirOpenIcon},
            {.Kind = TControlKind::ToolButton, .Name = "btnSelect2", .Hint = "Select in network", .Place = {362, 27, 23, 23},
             .Anchors = faTop | faRight, .Picture = QStyle::SP_DriveNetIcon},
            // Empty until a purpose is given; the window then grows by its height.
            {.Kind = TControlKind::Label, .Name = "LabelPurpose", .Accessible = "Purpose", .Place = {8, 58, 377, 0},
             .Anchors = faLeft | faTop | faRight, .Hidden = true},
            {.Kind = TControlKind::Button, .Name = "btnOK", .Caption = "OK", .Place = {116, 62, 75, 25}, .Anchors = 0,
             .Picture = QStyle::SP_DialogOkButton},
            {.Kind = TControlKind::Button, .Name = "btnCancel", .Caption = "Cancel", .Place = {201, 62, 75, 25}, .Anchors = 0,
             .Picture = QStyle::SP_DialogCancelButton},
        },
    };
    return table;
}

TFormSelectDirectory::TFormSelectDirectory(QWidget* parent)
    : QDialog(parent), form_(BuildForm(this, FormSelectDirectoryTable()))
{
    LabelCaption = form_.Get<QLabel>("LabelCaption");
    EditDir = form_.Get<QLineEdit>("EditDir");
    LabelPurpose = form_.Get<QLabel>("LabelPurpose");
    btnSelect1 = form_.Get<QToolButton>("btnSelect1");
    btnSelect2 = form_.Get<QToolButton>("btnSelect2");
    btnOK = form_.Get<QPushButton>("btnOK");
    btnCancel = form_.Get<QPushButton>("btnCancel");
    setFont(FormFont());
    KeepOnScreen(this);
    LabelPurpose->setWordWrap(true);
    btnOK->setDefault(true);
    PlaceControls(0);
    connect(btnSelect1, &QToolButton::clicked, this, Guarded(this, &TFormSelectDirectory::btnSelect1Click));
    connect(btnSelect2, &QToolButton::clicked, this, Guarded(this, &TFormSelectDirectory::btnSelect2Click));
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormSelectDirectory::PlaceControls(int purposeHeight)
{
    const int grown = purposeHeight > 0 ? purposeHeight + 8 : 0;
    const QSize client(kDesignClient.width(), kDesignClient.height() + grown);
    setMinimumSize(client);
    resize(client);
    form_.Replace(client, [&](const TControlRow& row) {
        if (row.Name == std::string("LabelPurpose")) return row.Place.adjusted(0, 0, 0, purposeHeight);
        if (row.Kind == TControlKind::Button) return row.Place.translated(0, grown);
        return row.Place;
    });
}

void TFormSelectDirectory::SetPurpose(const std::string& text)
{
    LabelPurpose->setText(QText(text));
    LabelPurpose->setAccessibleName(QText(text));
    LabelPurpose->setVisible(!text.empty());
    PlaceControls(text.empty() ? 0 : LabelPurpose->heightForWidth(377));
}

void TFormSelectDirectory::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    form_.Anchors().Apply(event->size());
}

void TFormSelectDirectory::btnSelect1Click()
{
    std::string directory = EditDir->text().toStdString();
    if (!UiServices().SelectDirectory("Select directory", directory))
        return;
    CreateChosenDirectory(directory);
    EditDir->setText(QText(directory));
}

void TFormSelectDirectory::btnSelect2Click()
{
    // Network shares appear in the folder dialog wherever the desktop mounts them.
    std::string directory = EditDir->text().toStdString();
    if (UiServices().SelectDirectory("Application data directory", directory))
        EditDir->setText(QText(directory));
}

std::string AskDirectory(const std::string& initialDirectory, const std::string& caption, const std::string& purpose)
{
    TFormSelectDirectory form;
    form.SetPurpose(purpose);
    form.EditDir->setText(QText(ExistingDirectoryPart(initialDirectory)));
    form.LabelCaption->setText(QText(caption));
    form.LabelCaption->setAccessibleName(QText(caption));
    form.EditDir->setAccessibleName(QText(caption));
    if (form.exec() != QDialog::Accepted)
        return {};
    return form.EditDir->text().toStdString();
}

std::string ExistingDirectoryPart(const std::string& path)
{
    std::string text = path;
    while (!text.empty() && !IsDirectory(text)) {
        const std::size_t slash = text.size() < 2 ? std::string::npos : text.find_last_of('/', text.size() - 2);
        text = slash == std::string::npos || slash == 0 ? std::string() : text.substr(0, slash + 1);
    }
    return text;
}
