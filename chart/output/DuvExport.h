#pragma once
// Picture export: the base of the picture formats, the list of format classes registered at
// start, the save dialog filters built from it, and the services the export dialog rests on
// (the private folder of the run's temporary export files, mail through xdg-email, the file
// type test through xdg-mime).
//
// What always holds: a format without Panel draws nothing and raises "Panel property is not set
// in Export format" before it touches a file; every file is written whole or not at all (a
// failed save leaves an existing file as it was).
#include <memory>
#include <string>
#include <vector>

#include "chart/graphics/DuvTypes.h"

class TCustomDuvPanel;
class TGraphic;
class TStream;
struct TFileDialogOptions;
struct TGraphicClass;

// The settings a format keeps in its options form; the windows library shows them in a form of
// its own. A headless export uses them as they are.
class TExportOptions {
public:
    virtual ~TExportOptions() = default;
    // False when the form would show nothing, so the dialog keeps its Size page.
    virtual bool HasControls() const { return true; }
};

class TDuvExportFormat {
public:
    TDuvExportFormat() = default;
    virtual ~TDuvExportFormat() = default;
    TDuvExportFormat(const TDuvExportFormat&) = delete;
    TDuvExportFormat& operator=(const TDuvExportFormat&) = delete;

    // The class name, for the windows that show a format's options.
    virtual std::string ClassName() const = 0;

    TCustomDuvPanel* Panel = nullptr;
    float Scale = 1.0f;
    // 0 means the panel's own width or height.
    int Width = 0;
    int Height = 0;

    virtual void CopyToClipboard() = 0;
    virtual int FilterIndex() const { return filterIndex_; }
    // Adds one to the counter per filter entry of the format; the first becomes its index.
    virtual void TakeFilterIndex(int& counter);
    virtual bool MatchesFilterIndex(int index);
    // Shown in lists; "&" marks the accelerator.
    virtual std::string Description() const = 0;
    // Without dot.
    virtual std::string FileExtension() const = 0;
    virtual std::string FileFilter() const { return {}; }
    // The kind of graphic that reads such files; none in the base.
    virtual const TGraphicClass* GraphicClass() const { return nullptr; }
    // The options, created when asked; none in the base.
    virtual TExportOptions* Options(bool create = true);
    virtual void SaveToStream(TStream& stream) = 0;
    // A format without options of its own writes what SaveToStream writes.
    virtual void SaveToStreamWithOptions(TStream& stream, TExportOptions* options);

    // Both raise Exception "Panel property is not set in Export format" without Panel.
    void Copy();
    void SaveToFileWithOptions(const std::string& fileName, TExportOptions* options);
    void SaveToFile(const std::string& fileName) { SaveToFileWithOptions(fileName, nullptr); }
    // A Width or Height of 0 takes the panel's.
    void CheckSize();
    // 0, 0, Width and Height times Scale (1 when Scale is not above 0), rounded.
    TRect ScaledRect() const;

protected:
    void CheckPanel() const;
    int filterIndex_ = 0;
    std::unique_ptr<TExportOptions> options_;
};

// A format class: makes a new format object.
using TDuvExportFormatClass = std::unique_ptr<TDuvExportFormat> (*)();

// The registered classes in order; empty before the first registration.
const std::vector<TDuvExportFormatClass>& ExportFormatList();
void RegisterExportFormat(TDuvExportFormatClass formatClass);
void UnregisterExportFormat(TDuvExportFormatClass formatClass);

// One format object made for a chart, with its description without "&".
struct TExportFormatItem {
    std::string Description;
    std::unique_ptr<TDuvExportFormat> Format;
};
using TExportFormatItems = std::vector<TExportFormatItem>;

// Appends every registered format's filter to the dialog's filter and gives each its filter
// indexes (counting on from the entries already there); the format objects go to list, or are
// freed when no list is given.
void AddExportFormatFilters(TFileDialogOptions& dialog, TCustomDuvPanel* chart, TExportFormatItems* list);
// The first format of the list that claims the filter index; none when none does.
TDuvExportFormat* FormatOfFilterIndex(const TExportFormatItems& list, int filterIndex);

// ".BMP": a new empty graphic of the first registered format with that extension; none when no
// format has it or the format names no graphic class.
std::unique_ptr<TGraphic> CreateGraphicForExtension(const std::string& extension);

// "%d bytes" below 1 MiB, "%d KB" below 1 GiB, "%d MB" below 2^40, else the plain number.
std::string BytesToText(long long size);

// ---------------------------------------------------------------- the run's temporary files

// The mail name: base name of the temporary export file and the mail's subject.
inline constexpr const char* ExportMailName = "Plotwise";

// A folder of this run only (mode 0700), made on first use and removed with its files when the
// module ends; raises Exception "Can not find Temp folder" when it cannot be made. Files put
// there for a mail program stay until then, since the program reads them after xdg-email ends.
std::string ExportTempFolder();
// The folder + "Plotwise." + extension.
std::string ExportTempFileName(const std::string& extension);

// ---------------------------------------------------------------- mail and file types

// Whether xdg-email is on PATH; asked once per run (ResetMailAvailability asks again).
bool CanSendMail();
void ResetMailAvailability();
// xdg-email --subject Plotwise --attach <file>. Exit code 0 ends quietly; any other raises
// Exception "Can not email Plotwise. Mapi Error: <code>".
void SendMailFile(const std::string& fileName);
// Whether xdg-mime knows a default program for files of the extension (without dot).
bool HasFileTypeHandler(const std::string& extension);

// The export module's start-up and shutdown: the markup text gets its pictures through the
// export formats first; the temporary folder goes at the end.
void DuvExportInitialization();
void DuvExportFinalization();
