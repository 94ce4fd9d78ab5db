#include <gtest/gtest.h>

#include <QColor>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRect>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Printers.h"
#include "support/TestSupport.h"

namespace {

std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EPrinter& e) {
        return e.what();
    }
    return "";
}

// The smallest rectangle holding every pixel that is not white; empty when the page is blank.
QRect InkBounds(const QImage& page)
{
    QRect bounds;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if ((page.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// Device pixels of a printer with the given resolution, in points (the 72 dpi raster).
QRect InPoints(const QRect& r, int dpiX, int dpiY)
{
    auto x = [&](int v) { return static_cast<int>(std::lround(v * 72.0 / dpiX)); };
    auto y = [&](int v) { return static_cast<int>(std::lround(v * 72.0 / dpiY)); };
    return QRect(QPoint(x(r.left()), y(r.top())), QPoint(x(r.right() + 1) - 1, y(r.bottom() + 1) - 1));
}

void ExpectNear(const QRect& actual, const QRect& expected, const std::string& what)
{
    SCOPED_TRACE(what);
    ASSERT_FALSE(actual.isEmpty());
    EXPECT_NEAR(actual.left(), expected.left(), 1);
    EXPECT_NEAR(actual.top(), expected.top(), 1);
    EXPECT_NEAR(actual.right(), expected.right(), 1);
    EXPECT_NEAR(actual.bottom(), expected.bottom(), 1);
}

// The pages of a PDF file as poppler rasterises them at 72 dpi.
std::vector<QImage> RasterisePdf(const qbtest::TempDir& dir, const std::string& pdf)
{
    const std::string prefix = dir.file("page");
    QProcess poppler;
    poppler.start("pdftoppm", {"-r", "72", "-png", QString::fromStdString(pdf), QString::fromStdString(prefix)});
    EXPECT_TRUE(poppler.waitForFinished(60000)) << "pdftoppm did not run (poppler-utils missing?)";
    EXPECT_EQ(poppler.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(poppler.exitCode(), 0) << poppler.readAllStandardError().toStdString();
    std::vector<QImage> pages;
    for (int n = 1;; ++n) {
        QImage page(QString::fromStdString(prefix + "-" + std::to_string(n) + ".png"));
        if (page.isNull())
            break;
        pages.push_back(page.convertToFormat(QImage::Format_RGB32));
    }
    return pages;
}

// ---- the recording printer ----

TEST(RecordingPrinter, KeepsEachPageAsAWhiteImageWithWhatWasDrawn)
{
    TRecordingPrinter printer(300, 200, 600, 300);
    EXPECT_EQ(printer.PageWidth(), 300);
    EXPECT_EQ(printer.PageHeight(), 200);
    EXPECT_EQ(printer.LogPixelsX(), 600);
    EXPECT_EQ(printer.LogPixelsY(), 300);
    EXPECT_EQ(printer.Canvas(), nullptr);

    const std::vector<QRect> drawn = {QRect(10, 20, 30, 40), QRect(200, 150, 50, 25)};
    printer.BeginDoc();
    for (size_t n = 0; n < drawn.size(); ++n) {
        if (n > 0)
            printer.NewPage();
        ASSERT_NE(printer.Canvas(), nullptr);
        EXPECT_TRUE(printer.Printing());
        printer.Canvas()->fillRect(drawn[n], Qt::red);
    }
    EXPECT_EQ(printer.Pages().size(), drawn.size()) << "the page being printed counts";
    printer.EndDoc();

    EXPECT_FALSE(printer.Printing());
    EXPECT_EQ(printer.Canvas(), nullptr);
    EXPECT_EQ(printer.Steps, (std::vector<std::string>{"BeginDoc", "NewPage", "EndDoc"}));
    ASSERT_EQ(printer.Pages().size(), drawn.size());
    for (size_t n = 0; n < drawn.size(); ++n) {
        const QImage& page = printer.Pages()[n];
        EXPECT_EQ(page.size(), QSize(300, 200));
        EXPECT_EQ(page.format(), QImage::Format_RGB32);
        EXPECT_EQ(InkBounds(page), drawn[n]) << "page " << n + 1;
        EXPECT_EQ(page.pixel(drawn[n].center()), QColor(Qt::red).rgb());
        // Fonts in points scale with the printer's resolution, as on paper.
        EXPECT_EQ(page.logicalDpiX(), 600);
        EXPECT_EQ(page.logicalDpiY(), 300);
    }
}

TEST(RecordingPrinter, ANewJobStartsWithNoPagesAndAnAbortDropsThem)
{
    TRecordingPrinter printer(50, 40);
    printer.BeginDoc();
    printer.NewPage();
    printer.EndDoc();
    ASSERT_EQ(printer.Pages().size(), 2u);

    printer.BeginDoc();
    EXPECT_EQ(printer.Pages().size(), 1u);
    printer.Canvas()->fillRect(QRect(1, 1, 5, 5), Qt::black);
    printer.Abort();
    EXPECT_TRUE(printer.Pages().empty());
    EXPECT_FALSE(printer.Printing());
    EXPECT_EQ(printer.Canvas(), nullptr);
    EXPECT_EQ(printer.Steps, (std::vector<std::string>{"BeginDoc", "NewPage", "EndDoc", "BeginDoc", "Abort"}));
}

TEST(RecordingPrinter, AMissingPrinterRaisesOnEveryQuestionAndCannotStart)
{
    TRecordingPrinter printer(100, 100);
    printer.Missing = true;
    const std::vector<std::pair<const char*, std::function<void()>>> questions = {
        {"PageWidth", [&] { printer.PageWidth(); }},
        {"PageHeight", [&] { printer.PageHeight(); }},
        {"LogPixelsX", [&] { printer.LogPixelsX(); }},
        {"LogPixelsY", [&] { printer.LogPixelsY(); }},
        {"BeginDoc", [&] { printer.BeginDoc(); }},
    };
    for (const auto& [name, ask] : questions)
        EXPECT_EQ(ErrorOf(ask), "There is no default printer currently selected") << name;
    EXPECT_FALSE(printer.Printing());
    EXPECT_TRUE(printer.Steps.empty());
    EXPECT_TRUE(printer.Pages().empty());
}

// ---- steps out of order, on both printers ----

struct PrinterMaker {
    const char* name;
    std::function<std::unique_ptr<TPrinter>(const qbtest::TempDir&)> make;
};

const PrinterMaker kPrinters[] = {
    {"recording", [](const qbtest::TempDir&) { return std::make_unique<TRecordingPrinter>(100, 80); }},
    {"PDF",
     [](const qbtest::TempDir& dir) {
         auto printer = std::make_unique<TQtPrinter>();
         printer->SetOutputFileName(dir.file("steps.pdf"));
         return std::unique_ptr<TPrinter>(std::move(printer));
     }},
};

struct OutOfOrder {
    const char* what;
    std::function<void(TPrinter&)> before;  // brings the printer into the state
    std::function<void(TPrinter&)> step;    // the step that does not fit it
    const char* message;
    bool printingAfter;
};

TEST(PrinterSteps, OutOfOrderRaiseAndLeaveTheJobAsItWas)
{
    auto none = [](TPrinter&) {};
    auto begin = [](TPrinter& p) { p.BeginDoc(); };
    auto ended = [](TPrinter& p) { p.BeginDoc(); p.EndDoc(); };
    auto aborted = [](TPrinter& p) { p.BeginDoc(); p.Abort(); };
    const OutOfOrder cases[] = {
        {"NewPage before BeginDoc", none, [](TPrinter& p) { p.NewPage(); }, "Printing not in progress", false},
        {"EndDoc before BeginDoc", none, [](TPrinter& p) { p.EndDoc(); }, "Printing not in progress", false},
        {"Abort before BeginDoc", none, [](TPrinter& p) { p.Abort(); }, "Printing not in progress", false},
        {"EndDoc twice", ended, [](TPrinter& p) { p.EndDoc(); }, "Printing not in progress", false},
        {"NewPage after EndDoc", ended, [](TPrinter& p) { p.NewPage(); }, "Printing not in progress", false},
        {"EndDoc after Abort", aborted, [](TPrinter& p) { p.EndDoc(); }, "Printing not in progress", false},
        {"BeginDoc twice", begin, [](TPrinter& p) { p.BeginDoc(); }, "Printing in progress", true},
    };
    for (const auto& maker : kPrinters) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(maker.name) + ": " + c.what);
            qbtest::TempDir dir;
            auto printer = maker.make(dir);
            c.before(*printer);
            EXPECT_EQ(ErrorOf([&] { c.step(*printer); }), c.message);
            EXPECT_EQ(printer->Printing(), c.printingAfter);
            EXPECT_EQ(printer->Canvas() != nullptr, c.printingAfter);
            // The job goes on where it was.
            if (printer->Printing()) {
                printer->Canvas()->fillRect(QRect(0, 0, 10, 10), Qt::black);
                EXPECT_EQ(ErrorOf([&] { printer->EndDoc(); }), "");
            }
        }
    }
}

// ---- the system printer ----

TEST(QtPrinter, PrintsPagesToAPdfFileWhereTheyWereDrawn)
{
    qbtest::TempDir dir;
    const std::string pdf = dir.file("two pages.pdf");
    TQtPrinter printer;
    printer.SetOutputFileName(pdf);
    printer.Title = "Survey chart";
    const int w = printer.PageWidth();
    const int h = printer.PageHeight();
    const int dpiX = printer.LogPixelsX();
    const int dpiY = printer.LogPixelsY();
    // A high-resolution device: far finer than the screen.
    EXPECT_GE(dpiX, 600);
    EXPECT_GE(dpiY, 600);
    ASSERT_GT(w, 5 * dpiX);
    ASSERT_GT(h, 5 * dpiY);

    const std::vector<QRect> drawn = {QRect(dpiX, dpiY, 2 * dpiX, dpiY),
                                      QRect(w / 2, h / 2, dpiX / 2, 3 * dpiY)};
    printer.BeginDoc();
    for (size_t n = 0; n < drawn.size(); ++n) {
        if (n > 0)
            printer.NewPage();
        ASSERT_NE(printer.Canvas(), nullptr);
        printer.Canvas()->fillRect(drawn[n], Qt::blue);
    }
    printer.EndDoc();
    EXPECT_FALSE(printer.Printing());
    EXPECT_EQ(printer.Canvas(), nullptr);

    const std::vector<QImage> pages = RasterisePdf(dir, pdf);
    ASSERT_EQ(pages.size(), drawn.size());
    const QSize pageInPoints(static_cast<int>(std::lround(w * 72.0 / dpiX)), static_cast<int>(std::lround(h * 72.0 / dpiY)));
    for (size_t n = 0; n < drawn.size(); ++n) {
        SCOPED_TRACE("page " + std::to_string(n + 1));
        EXPECT_NEAR(pages[n].width(), pageInPoints.width(), 1);
        EXPECT_NEAR(pages[n].height(), pageInPoints.height(), 1);
        ExpectNear(InkBounds(pages[n]), InPoints(drawn[n], dpiX, dpiY), "rectangle");
    }
}

TEST(QtPrinter, AWindowAndViewportMapLogicalUnitsOntoThePage)
{
    qbtest::TempDir dir;
    const std::string pdf = dir.file("mapped.pdf");
    TQtPrinter printer;
    printer.SetOutputFileName(pdf);
    const int w = printer.PageWidth();
    const int h = printer.PageHeight();
    const int rw = 400;
    const int rh = 250;
    const QRect logical(100, 50, 200, 100);

    printer.BeginDoc();
    QPainter& canvas = *printer.Canvas();
    canvas.setWindow(0, 0, rw, rh);
    canvas.setViewport(0, 0, w, h);
    canvas.fillRect(logical, Qt::green);
    printer.EndDoc();

    const QRect device(QPoint(logical.left() * w / rw, logical.top() * h / rh),
                       QPoint((logical.right() + 1) * w / rw - 1, (logical.bottom() + 1) * h / rh - 1));
    const std::vector<QImage> pages = RasterisePdf(dir, pdf);
    ASSERT_EQ(pages.size(), 1u);
    ExpectNear(InkBounds(pages[0]), InPoints(device, printer.LogPixelsX(), printer.LogPixelsY()), "mapped rectangle");
}

TEST(QtPrinter, AnAbortedJobLeavesNoFile)
{
    qbtest::TempDir dir;
    const std::string pdf = dir.file("aborted.pdf");
    TQtPrinter printer;
    printer.SetOutputFileName(pdf);
    printer.BeginDoc();
    printer.Canvas()->fillRect(QRect(0, 0, 100, 100), Qt::black);
    printer.NewPage();
    printer.Abort();
    EXPECT_FALSE(printer.Printing());
    EXPECT_EQ(printer.Canvas(), nullptr);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(pdf)));
}

TEST(QtPrinter, AFileThatCannotBeWrittenStopsTheJobWithAClearMessage)
{
    qbtest::TempDir dir;
    const std::string pdf = dir.file("no such folder/out.pdf");
    TQtPrinter printer;
    printer.SetOutputFileName(pdf);
    EXPECT_EQ(ErrorOf([&] { printer.BeginDoc(); }), "Printing to the file " + pdf + " cannot start");
    EXPECT_FALSE(printer.Printing());
    EXPECT_EQ(printer.Canvas(), nullptr);
}

TEST(QtPrinter, WithoutAnInstalledPrinterEveryQuestionRaises)
{
    TQtPrinter printer;
    if (!QPrinterInfo::availablePrinterNames().isEmpty()) {
        // A machine with a printer answers from it.
        EXPECT_GT(printer.PageWidth(), 0);
        EXPECT_GT(printer.LogPixelsY(), 0);
        return;
    }
    const std::vector<std::pair<const char*, std::function<void()>>> questions = {
        {"PageWidth", [&] { printer.PageWidth(); }},
        {"PageHeight", [&] { printer.PageHeight(); }},
        {"LogPixelsX", [&] { printer.LogPixelsX(); }},
        {"LogPixelsY", [&] { printer.LogPixelsY(); }},
        {"BeginDoc", [&] { printer.BeginDoc(); }},
    };
    for (const auto& [name, ask] : questions)
        EXPECT_EQ(ErrorOf(ask), "There is no default printer currently selected") << name;
    EXPECT_FALSE(printer.Printing());
}

TEST(PrinterService, SetPrinterInstallsAPrinterAndReturnsThePreviousOne)
{
    auto recording = std::make_unique<TRecordingPrinter>(10, 10);
    TPrinter* installed = recording.get();
    std::unique_ptr<TPrinter> previous = SetPrinter(std::move(recording));
    EXPECT_EQ(&Printer(), installed);
    EXPECT_EQ(&Printer(), installed) << "asked twice, the same printer";

    std::unique_ptr<TPrinter> back = SetPrinter(std::move(previous));
    EXPECT_EQ(back.get(), installed);
    // With none installed, the system printer is made on first use.
    SetPrinter(nullptr);
    EXPECT_NE(dynamic_cast<TQtPrinter*>(&Printer()), nullptr);
}

}  // namespace
