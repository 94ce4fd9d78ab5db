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
#include "platform/ui/Application.h"
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

QToolButton* MakePictureButton(QWidget* parent, const char* name, const QString& hint, QStyle::StandardPixmap picture)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    button->setIcon(parent->style()->standardIcon(picture));
    return button;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, QStyle::StandardPixmap picture)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAccessibleName(caption);
    button->setIcon(parent->style()->standardIcon(picture));
    return button;
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

TFormSelectDirectory::TFormSelectDirectory(QWidget* parent)
    : QDialog(parent),
      LabelCaption(new QLabel(this)),
      EditDir(new QLineEdit(this)),
      LabelPurpose(new QLabel(this)),
      btnSelect1(MakePictureButton(this, "btnSelect1", "Select local", QStyle::SP_DirOpenIcon)),
      btnSelect2(MakePictureButton(this, "btnSelect2", "Select in network", QStyle::SP_DriveNetIcon)),
      btnOK(MakeButton(this, "btnOK", "OK", QStyle::SP_DialogOkButton)),
      btnCancel(MakeButton(this, "btnCancel", "Cancel", QStyle::SP_DialogCancelButton)),
      anchors_(kDesignClient)
{
    setObjectName("FormSelectDirectory");
    setWindowTitle("Select directory");
    setAccessibleName("Select directory");
    setFont(FormFont());
    KeepOnScreen(this);
    setMinimumSize(kDesignClient);
    resize(kDesignClient);

    LabelCaption->setObjectName("LabelCaption");
    EditDir->setObjectName("EditDir");
    LabelCaption->setBuddy(EditDir);
    LabelPurpose->setObjectName("LabelPurpose");
    LabelPurpose->setWordWrap(true);
    LabelPurpose->hide();
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
    anchors_ = TAnchorSet(client);
    anchors_.Add(LabelCaption, QRect(8, 8, 377, 16), akLeft | akTop | akRight);
    anchors_.Add(EditDir, QRect(8, 28, 319, 21), akLeft | akTop | akRight);
    anchors_.Add(btnSelect1, QRect(335, 27, 23, 23), akTop | akRight);
    anchors_.Add(btnSelect2, QRect(362, 27, 23, 23), akTop | akRight);
    anchors_.Add(LabelPurpose, QRect(8, 58, 377, purposeHeight), akLeft | akTop | akRight);
    anchors_.Add(btnOK, QRect(116, 62 + grown, 75, 25), 0);
    anchors_.Add(btnCancel, QRect(201, 62 + grown, 75, 25), 0);
    setMinimumSize(client);
    resize(client);
    anchors_.Apply(size());
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
    anchors_.Apply(event->size());
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
