#pragma once
// The printer service: the page of the system printer, its resolution and canvas, and the print
// job around them. Chart printing asks Printer() for all of it, so a test installs a recording
// printer and a user's print goes to a QPrinter. Coordinates are device pixels; a page is
// printed on Canvas() between BeginDoc and EndDoc.
#include <memory>
#include <string>
#include <vector>

#include "platform/core/SysUtils.h"

class QImage;
class QPainter;
class QPrinter;

// There is no printer, or it refused a step of the job.
class EPrinter : public Exception {
public:
    using Exception::Exception;
};

enum class TPrinterOrientation { poPortrait, poLandscape };

class TPrinter {
public:
    virtual ~TPrinter() = default;
    // Some printer can be asked and printed on (a PDF file counts); false on a machine without one.
    virtual bool Installed() = 0;
    // The installed printers by name, and the one in use; an index out of range is ignored.
    virtual std::vector<std::string> PrinterNames() = 0;
    virtual int PrinterIndex() = 0;
    virtual void SetPrinterIndex(int index) = 0;
    // The page turns with the orientation: PageWidth and PageHeight follow it.
    virtual TPrinterOrientation Orientation() = 0;
    virtual void SetOrientation(TPrinterOrientation orientation) = 0;
    // The printable page in device pixels; raise EPrinter when there is no printer.
    virtual int PageWidth() = 0;
    virtual int PageHeight() = 0;
    // Device pixels per inch across and down (the device's LOGPIXELSX and LOGPIXELSY).
    virtual int LogPixelsX() = 0;
    virtual int LogPixelsY() = 0;
    // The page being printed; none outside a job.
    virtual QPainter* Canvas() = 0;
    virtual void BeginDoc() = 0;
    virtual void NewPage() = 0;
    virtual void EndDoc() = 0;
    // Ends the job, dropping what was printed.
    virtual void Abort() = 0;
    virtual bool Printing() const = 0;
    std::string Title;
};

// The printer chart printing goes to; a system printer made on first use.
TPrinter& Printer();
// Installs another printer (tests: the recording one, or a PDF file); returns the previous one.
std::unique_ptr<TPrinter> SetPrinter(std::unique_ptr<TPrinter> printer);

// The system printer through QPrinter; with an output file name the pages go to that PDF file.
class TQtPrinter : public TPrinter {
public:
    TQtPrinter();
    ~TQtPrinter() override;
    void SetOutputFileName(const std::string& fileName);
    // The printer behind the service, for the platform's setup dialog; raises EPrinter without one.
    QPrinter& Device();
    bool Installed() override;
    std::vector<std::string> PrinterNames() override;
    int PrinterIndex() override;
    void SetPrinterIndex(int index) override;
    TPrinterOrientation Orientation() override;
    void SetOrientation(TPrinterOrientation orientation) override;
    int PageWidth() override;
    int PageHeight() override;
    int LogPixelsX() override;
    int LogPixelsY() override;
    QPainter* Canvas() override;
    void BeginDoc() override;
    void NewPage() override;
    void EndDoc() override;
    void Abort() override;
    bool Printing() const override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// A printer for tests: a page of the given size and resolution in memory, each page kept as an
// image (white at BeginDoc and NewPage), every step of the job noted in Steps. With Missing set
// every question raises EPrinter as a machine without a printer does.
class TRecordingPrinter : public TPrinter {
public:
    TRecordingPrinter(int pageWidth, int pageHeight, int logPixelsX = 600, int logPixelsY = 600);
    ~TRecordingPrinter() override;
    bool Missing = false;
    std::vector<std::string> Steps;  // "BeginDoc", "NewPage", "EndDoc", "Abort"
    // The finished pages, and the one being printed last.
    const std::vector<QImage>& Pages() const;
    bool Installed() override { return !Missing; }
    std::vector<std::string> PrinterNames() override;
    int PrinterIndex() override { return Missing ? -1 : 0; }
    void SetPrinterIndex(int) override {}
    // The page given at construction is the portrait one; landscape swaps its sides.
    TPrinterOrientation Orientation() override;
    void SetOrientation(TPrinterOrientation orientation) override;
    int PageWidth() override;
    int PageHeight() override;
    int LogPixelsX() override;
    int LogPixelsY() override;
    QPainter* Canvas() override;
    void BeginDoc() override;
    void NewPage() override;
    void EndDoc() override;
    void Abort() override;
    bool Printing() const override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
