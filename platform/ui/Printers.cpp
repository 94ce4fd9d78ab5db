#include "platform/ui/Printers.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <cmath>

// A job is BeginDoc, then any number of NewPage, then EndDoc or Abort; a step out of this order
// raises EPrinter and leaves the job as it was. Canvas() is an active painter exactly while a job
// runs.

namespace {

const char* const kNoPrinter = "There is no default printer currently selected";

void CheckPrinting(bool printing, bool wanted)
{
    if (printing == wanted)
        return;
    throw EPrinter(printing ? "Printing in progress" : "Printing not in progress");
}

std::unique_ptr<TPrinter>& CurrentPrinter()
{
    static std::unique_ptr<TPrinter> printer;
    return printer;
}

QImage WhitePage(int width, int height, int logPixelsX, int logPixelsY)
{
    QImage page(width, height, QImage::Format_RGB32);
    page.fill(Qt::white);
    // Text sized in points comes out as large on this page as on the printer it stands for.
    page.setDotsPerMeterX(static_cast<int>(std::lround(logPixelsX / 0.0254)));
    page.setDotsPerMeterY(static_cast<int>(std::lround(logPixelsY / 0.0254)));
    return page;
}

}  // namespace

TPrinter& Printer()
{
    auto& printer = CurrentPrinter();
    if (!printer)
        printer = std::make_unique<TQtPrinter>();
    return *printer;
}

std::unique_ptr<TPrinter> SetPrinter(std::unique_ptr<TPrinter> printer)
{
    std::swap(CurrentPrinter(), printer);
    return printer;
}

// ---- TQtPrinter ----

struct TQtPrinter::Impl {
    std::string outputFileName;
    // The printer chosen by name; empty: the default one.
    std::string printerName;
    TPrinterOrientation orientation = TPrinterOrientation::poPortrait;
    bool orientationSet = false;
    // Made on first use: the machine's printers are looked up only when something is printed.
    std::unique_ptr<QPrinter> printer;
    QPainter painter;
    bool printing = false;

    QPrinter& Device()
    {
        if (printer)
            return *printer;
        if (!outputFileName.empty()) {
            printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(QString::fromStdString(outputFileName));
            // A PDF page has no unprintable edge: the page is the whole sheet.
            printer->setFullPage(true);
            ApplyOrientation();
            return *printer;
        }
        QPrinterInfo info = printerName.empty() ? QPrinterInfo::defaultPrinter()
                                                : QPrinterInfo::printerInfo(QString::fromStdString(printerName));
        if (info.isNull()) {
            const QList<QPrinterInfo> installed = QPrinterInfo::availablePrinters();
            if (installed.isEmpty())
                throw EPrinter(kNoPrinter);
            info = installed.first();
        }
        printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
        ApplyOrientation();
        return *printer;
    }

    void ApplyOrientation()
    {
        if (!orientationSet) return;
        printer->setPageOrientation(orientation == TPrinterOrientation::poLandscape ? QPageLayout::Landscape
                                                                                   : QPageLayout::Portrait);
    }

    // Where the pages go, for messages.
    std::string Destination() const
    {
        if (!outputFileName.empty())
            return "the file " + outputFileName;
        return "the printer " + printer->printerName().toStdString();
    }
};

TQtPrinter::TQtPrinter() : impl_(std::make_unique<Impl>()) {}

TQtPrinter::~TQtPrinter()
{
    if (!impl_->printing)
        return;
    impl_->printer->abort();
    impl_->painter.end();
}

void TQtPrinter::SetOutputFileName(const std::string& fileName)
{
    CheckPrinting(impl_->printing, false);
    impl_->outputFileName = fileName;
    impl_->printer.reset();
}

QPrinter& TQtPrinter::Device() { return impl_->Device(); }

bool TQtPrinter::Installed()
{
    return !impl_->outputFileName.empty() || !QPrinterInfo::availablePrinterNames().isEmpty();
}

std::vector<std::string> TQtPrinter::PrinterNames()
{
    if (!impl_->outputFileName.empty()) return {impl_->outputFileName};
    std::vector<std::string> names;
    for (const QString& name : QPrinterInfo::availablePrinterNames()) names.push_back(name.toStdString());
    return names;
}

int TQtPrinter::PrinterIndex()
{
    if (!impl_->outputFileName.empty()) return 0;
    const std::vector<std::string> names = PrinterNames();
    std::string current = impl_->printerName;
    if (current.empty()) current = QPrinterInfo::defaultPrinterName().toStdString();
    const auto found = std::find(names.begin(), names.end(), current);
    if (found != names.end()) return static_cast<int>(found - names.begin());
    return names.empty() ? -1 : 0;
}

void TQtPrinter::SetPrinterIndex(int index)
{
    CheckPrinting(impl_->printing, false);
    if (!impl_->outputFileName.empty()) return;
    const std::vector<std::string> names = PrinterNames();
    if (index < 0 || index >= static_cast<int>(names.size()) || names[static_cast<std::size_t>(index)] == impl_->printerName)
        return;
    impl_->printerName = names[static_cast<std::size_t>(index)];
    impl_->printer.reset();
}

TPrinterOrientation TQtPrinter::Orientation()
{
    if (impl_->orientationSet || !Installed()) return impl_->orientation;
    return impl_->Device().pageLayout().orientation() == QPageLayout::Landscape ? TPrinterOrientation::poLandscape
                                                                               : TPrinterOrientation::poPortrait;
}

void TQtPrinter::SetOrientation(TPrinterOrientation orientation)
{
    CheckPrinting(impl_->printing, false);
    impl_->orientation = orientation;
    impl_->orientationSet = true;
    if (impl_->printer) impl_->ApplyOrientation();
}

int TQtPrinter::PageWidth() { return impl_->Device().width(); }
int TQtPrinter::PageHeight() { return impl_->Device().height(); }
int TQtPrinter::LogPixelsX() { return impl_->Device().logicalDpiX(); }
int TQtPrinter::LogPixelsY() { return impl_->Device().logicalDpiY(); }

QPainter* TQtPrinter::Canvas() { return impl_->printing ? &impl_->painter : nullptr; }

void TQtPrinter::BeginDoc()
{
    CheckPrinting(impl_->printing, false);
    QPrinter& device = impl_->Device();
    device.setDocName(QString::fromStdString(Title));
    if (!impl_->painter.begin(&device))
        throw EPrinter("Printing to " + impl_->Destination() + " cannot start");
    impl_->printing = true;
}

void TQtPrinter::NewPage()
{
    CheckPrinting(impl_->printing, true);
    if (!impl_->printer->newPage())
        throw EPrinter("Printing to " + impl_->Destination() + " cannot start a new page");
}

void TQtPrinter::EndDoc()
{
    CheckPrinting(impl_->printing, true);
    impl_->printing = false;
    const bool ended = impl_->painter.end();
    if (!ended || impl_->printer->printerState() == QPrinter::Error)
        throw EPrinter("Printing to " + impl_->Destination() + " failed");
}

void TQtPrinter::Abort()
{
    CheckPrinting(impl_->printing, true);
    impl_->printing = false;
    const bool dropped = impl_->printer->abort();
    impl_->painter.end();
    // A PDF cannot be cancelled half-written; the unfinished file goes instead.
    if (!dropped && !impl_->outputFileName.empty())
        QFile::remove(QString::fromStdString(impl_->outputFileName));
}

bool TQtPrinter::Printing() const { return impl_->printing; }

// ---- TRecordingPrinter ----

struct TRecordingPrinter::Impl {
    Impl(int width, int height, int dpiX, int dpiY)
        : pageWidth(width), pageHeight(height), logPixelsX(dpiX), logPixelsY(dpiY)
    {
    }
    int pageWidth;
    int pageHeight;
    int logPixelsX;
    int logPixelsY;
    TPrinterOrientation orientation = TPrinterOrientation::poPortrait;
    std::vector<QImage> pages;
    QPainter painter;
    bool printing = false;

    void StartPage()
    {
        const bool turned = orientation == TPrinterOrientation::poLandscape;
        pages.push_back(WhitePage(turned ? pageHeight : pageWidth, turned ? pageWidth : pageHeight, logPixelsX, logPixelsY));
        painter.begin(&pages.back());
    }
};

TRecordingPrinter::TRecordingPrinter(int pageWidth, int pageHeight, int logPixelsX, int logPixelsY)
    : impl_(std::make_unique<Impl>(pageWidth, pageHeight, logPixelsX, logPixelsY))
{
}

TRecordingPrinter::~TRecordingPrinter()
{
    if (impl_->painter.isActive())
        impl_->painter.end();
}

const std::vector<QImage>& TRecordingPrinter::Pages() const { return impl_->pages; }

namespace {

int Answer(bool missing, int value)
{
    if (missing)
        throw EPrinter(kNoPrinter);
    return value;
}

}  // namespace

std::vector<std::string> TRecordingPrinter::PrinterNames()
{
    if (Missing) return {};
    return {"Recording printer"};
}

TPrinterOrientation TRecordingPrinter::Orientation() { return impl_->orientation; }

void TRecordingPrinter::SetOrientation(TPrinterOrientation orientation)
{
    CheckPrinting(impl_->printing, false);
    Steps.push_back(orientation == TPrinterOrientation::poLandscape ? "Landscape" : "Portrait");
    impl_->orientation = orientation;
}

int TRecordingPrinter::PageWidth()
{
    const bool turned = impl_->orientation == TPrinterOrientation::poLandscape;
    return Answer(Missing, turned ? impl_->pageHeight : impl_->pageWidth);
}

int TRecordingPrinter::PageHeight()
{
    const bool turned = impl_->orientation == TPrinterOrientation::poLandscape;
    return Answer(Missing, turned ? impl_->pageWidth : impl_->pageHeight);
}
int TRecordingPrinter::LogPixelsX() { return Answer(Missing, impl_->logPixelsX); }
int TRecordingPrinter::LogPixelsY() { return Answer(Missing, impl_->logPixelsY); }

QPainter* TRecordingPrinter::Canvas() { return impl_->printing ? &impl_->painter : nullptr; }

void TRecordingPrinter::BeginDoc()
{
    CheckPrinting(impl_->printing, false);
    Answer(Missing, 0);
    Steps.push_back("BeginDoc");
    impl_->pages.clear();
    impl_->StartPage();
    impl_->printing = true;
}

void TRecordingPrinter::NewPage()
{
    CheckPrinting(impl_->printing, true);
    Steps.push_back("NewPage");
    impl_->painter.end();
    impl_->StartPage();
}

void TRecordingPrinter::EndDoc()
{
    CheckPrinting(impl_->printing, true);
    Steps.push_back("EndDoc");
    impl_->painter.end();
    impl_->printing = false;
}

void TRecordingPrinter::Abort()
{
    CheckPrinting(impl_->printing, true);
    Steps.push_back("Abort");
    impl_->painter.end();
    impl_->pages.clear();
    impl_->printing = false;
}

bool TRecordingPrinter::Printing() const { return impl_->printing; }
