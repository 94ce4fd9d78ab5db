#include "platform/ui/Printers.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

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
            return *printer;
        }
        QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull()) {
            const QList<QPrinterInfo> installed = QPrinterInfo::availablePrinters();
            if (installed.isEmpty())
                throw EPrinter(kNoPrinter);
            info = installed.first();
        }
        printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
        return *printer;
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
    std::vector<QImage> pages;
    QPainter painter;
    bool printing = false;

    void StartPage()
    {
        pages.push_back(WhitePage(pageWidth, pageHeight, logPixelsX, logPixelsY));
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

int TRecordingPrinter::PageWidth() { return Answer(Missing, impl_->pageWidth); }
int TRecordingPrinter::PageHeight() { return Answer(Missing, impl_->pageHeight); }
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
