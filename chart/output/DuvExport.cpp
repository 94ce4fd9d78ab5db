#include "chart/output/DuvExport.h"

#include <QDir>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "chart/engine/DuvPanel.h"
#include "chart/engine/DuvProcs.h"
#include "chart/graphics/DuvConst.h"
#include "chart/graphics/DuvHtml.h"
#include "chart/graphics/GraphicClasses.h"
#include "platform/core/NumText.h"
#include "platform/core/SafeFile.h"
#include "platform/core/Streams.h"
#include "platform/ui/UiServices.h"

namespace {

std::vector<TDuvExportFormatClass>& Registry()
{
    static std::vector<TDuvExportFormatClass> list;
    return list;
}

std::string& TempFolder()
{
    static std::string folder;
    return folder;
}

std::optional<bool>& MailAvailable()
{
    static std::optional<bool> available;
    return available;
}

THtmlGraphicHook PreviousGraphicHook = nullptr;

// The markup text asks the export formats first and the picture kinds after them, so images of
// kinds no export format writes (PNG, JPEG) still show.
bool ExportGraphicExists(const std::string& extension)
{
    if (CreateGraphicForExtension(extension)) return true;
    return PreviousGraphicHook && PreviousGraphicHook(extension);
}

std::string UpperText(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

}  // namespace

// ---------------------------------------------------------------- the base

void TDuvExportFormat::TakeFilterIndex(int& counter) { filterIndex_ = ++counter; }

bool TDuvExportFormat::MatchesFilterIndex(int index) { return index == filterIndex_; }

TExportOptions* TDuvExportFormat::Options(bool) { return nullptr; }

void TDuvExportFormat::SaveToStreamWithOptions(TStream& stream, TExportOptions*) { SaveToStream(stream); }

void TDuvExportFormat::CheckPanel() const
{
    if (!Panel) throw Exception(DuvMsgExportPanelNotSet);
}

void TDuvExportFormat::Copy()
{
    CheckPanel();
    Options(true);
    CheckSize();
    CopyToClipboard();
}

void TDuvExportFormat::SaveToFileWithOptions(const std::string& fileName, TExportOptions* options)
{
    CheckPanel();
    if (!options) Options(true);
    CheckSize();
    // The picture is made in memory first: a failed drawing leaves no torn file behind.
    TMemoryStream data;
    if (options) SaveToStreamWithOptions(data, options);
    else SaveToStream(data);
    WriteFileSafely(fileName, data.Bytes());
}

void TDuvExportFormat::CheckSize()
{
    if (!Panel) return;
    if (Width == 0) Width = Panel->Width();
    if (Height == 0) Height = Panel->Height();
}

TRect TDuvExportFormat::ScaledRect() const
{
    const double s = Scale > 0 ? Scale : 1.0;
    return {0, 0, static_cast<int>(Rnd(Width * s)), static_cast<int>(Rnd(Height * s))};
}

// ---------------------------------------------------------------- registry

const std::vector<TDuvExportFormatClass>& ExportFormatList() { return Registry(); }

void RegisterExportFormat(TDuvExportFormatClass formatClass)
{
    auto& list = Registry();
    if (std::find(list.begin(), list.end(), formatClass) == list.end()) list.push_back(formatClass);
}

void UnregisterExportFormat(TDuvExportFormatClass formatClass)
{
    auto& list = Registry();
    list.erase(std::remove(list.begin(), list.end(), formatClass), list.end());
}

void AddExportFormatFilters(TFileDialogOptions& dialog, TCustomDuvPanel* chart, TExportFormatItems* list)
{
    int counter = dialog.Filter.empty() ? 0 : 1;
    for (TDuvExportFormatClass formatClass : Registry()) {
        std::unique_ptr<TDuvExportFormat> format = formatClass();
        format->Panel = chart;
        format->TakeFilterIndex(counter);
        if (!dialog.Filter.empty()) dialog.Filter += "|";
        dialog.Filter += format->FileFilter();
        if (!list) continue;
        list->push_back({ReplaceOrDeleteChar(format->Description(), '&', '\0'), std::move(format)});
    }
}

TDuvExportFormat* FormatOfFilterIndex(const TExportFormatItems& list, int filterIndex)
{
    for (const TExportFormatItem& item : list)
        if (item.Format->MatchesFilterIndex(filterIndex)) return item.Format.get();
    return nullptr;
}

std::unique_ptr<TGraphic> CreateGraphicForExtension(const std::string& extension)
{
    const std::string wanted = UpperText(extension);
    for (TDuvExportFormatClass formatClass : Registry()) {
        const std::unique_ptr<TDuvExportFormat> format = formatClass();
        if (wanted != "." + UpperText(format->FileExtension())) continue;
        const TGraphicClass* kind = format->GraphicClass();
        return kind ? kind->Create() : nullptr;
    }
    return nullptr;
}

std::string BytesToText(long long size)
{
    if (size < (1LL << 20)) return std::to_string(size) + " bytes";
    if (size < (1LL << 30)) return std::to_string(size >> 10) + " KB";
    if (size < (1LL << 40)) return std::to_string(size >> 20) + " MB";
    return std::to_string(size);
}

// ---------------------------------------------------------------- temporary files

std::string ExportTempFolder()
{
    std::string& folder = TempFolder();
    if (!folder.empty() && QDir(QString::fromStdString(folder)).exists()) return folder;
    // A fixed name in the shared folder would let another user place a link there first.
    std::string pattern = QDir::tempPath().toStdString() + "/Plotwise-XXXXXX";
    if (!mkdtemp(pattern.data())) throw Exception(DuvMsgNoTempFolder);
    folder = pattern;
    return folder;
}

std::string ExportTempFileName(const std::string& extension)
{
    return ExportTempFolder() + "/" + ExportMailName + "." + extension;
}

// ---------------------------------------------------------------- mail and file types

bool CanSendMail()
{
    std::optional<bool>& available = MailAvailable();
    if (!available) available = !QStandardPaths::findExecutable("xdg-email").isEmpty();
    return *available;
}

void ResetMailAvailability() { MailAvailable().reset(); }

void SendMailFile(const std::string& fileName)
{
    QProcess mail;
    mail.start("xdg-email", {"--subject", ExportMailName, "--attach", QString::fromStdString(fileName)});
    int code = 3;  // xdg-email's "a required tool could not be found"
    if (mail.waitForStarted() && mail.waitForFinished(-1))
        code = mail.exitStatus() == QProcess::NormalExit ? mail.exitCode() : 4;
    if (code == 0) return;
    throw Exception("Can not email Plotwise. Mapi Error: " + std::to_string(code));
}

bool HasFileTypeHandler(const std::string& extension)
{
    const QMimeType type =
        QMimeDatabase().mimeTypeForFile("file." + QString::fromStdString(extension), QMimeDatabase::MatchExtension);
    bool handled = false;
    if (type.isValid() && !type.isDefault()) {
        QProcess query;
        query.start("xdg-mime", {"query", "default", type.name()});
        if (query.waitForStarted() && query.waitForFinished(10000) && query.exitCode() == 0)
            handled = !query.readAllStandardOutput().trimmed().isEmpty();
    }
    return handled;
}

// ---------------------------------------------------------------- module

void DuvExportInitialization()
{
    if (HtmlGraphicHook == &ExportGraphicExists) return;
    PreviousGraphicHook = HtmlGraphicHook;
    HtmlGraphicHook = &ExportGraphicExists;
}

void DuvExportFinalization()
{
    if (HtmlGraphicHook == &ExportGraphicExists) HtmlGraphicHook = PreviousGraphicHook;
    PreviousGraphicHook = nullptr;
    std::string& folder = TempFolder();
    if (folder.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    folder.clear();
}
