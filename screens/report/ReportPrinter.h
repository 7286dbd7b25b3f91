#pragma once
// Where a printed report goes: the QPainter backend of the report canvas on a QPrinter, and the
// choice of the job's destination.
//
// The report prints on the system's default printer (CUPS) at once, with no print dialog. When
// the system has no printer, the user is asked whether to save the report as a PDF file instead
// and for the file's name. A PDF file is a safe write (platform/os/FileIo.h): its temporary file is
// made when the job opens, and takes the target's place only when the whole document was written;
// a failure of either is said as the system's (the file, the cause, whose file it is).

#include "screens/report/ReportCanvas.h"

#include <QMarginsF>
#include <QPageSize>
#include <QPainter>
#include <QString>

#include <functional>
#include <memory>

class QPagedPaintDevice;
class QPdfWriter;
class QPrinter;
class QWidget;

// Paints the report on a QPrinter (a printer or a PDF file) or a QPdfWriter. The canvas does not own
// them.
class TPrinterReportCanvas : public TReportCanvas {
public:
    explicit TPrinterReportCanvas(QPrinter& printer);
    explicit TPrinterReportCanvas(QPdfWriter& writer);

    int PageWidth() const override;
    int PageHeight() const override;
    int Resolution() const override;
    void BeginDoc() override;
    void NewPage() override;
    void EndDoc() override;
    void AbortDoc() override;
    // Measured with the printer's own font metrics, so that what is fitted is what prints.
    int TextWidth(const QString& text) const override;
    int TextHeight() const override;

protected:
    void PaintText(int x, int y, const QString& text) override;
    void PaintLine(int x1, int y1, int x2, int y2) override;

private:
    QPagedPaintDevice& device_;
    QPrinter* printer_ = nullptr;  // or
    QPdfWriter* writer_ = nullptr; // the device
    QPainter painter_;
};

// The destination of report jobs. OpenJob gives the canvas of a new job, owned by the output and
// valid until the next OpenJob, or null when the user gave the job up.
class TReportOutput {
public:
    virtual ~TReportOutput() = default;
    virtual TReportCanvas* OpenJob(QWidget* parent) = 0;
};

// Jobs written to one PDF file (A4 portrait unless told otherwise).
class TPdfReportOutput : public TReportOutput {
public:
    explicit TPdfReportOutput(QString path, QPageSize pageSize = QPageSize(QPageSize::A4),
                              QMarginsF marginsMm = QMarginsF(5, 5, 5, 5));
    ~TPdfReportOutput() override;
    TReportCanvas* OpenJob(QWidget* parent) override;

private:
    class TJob;
    QString path_;
    QPageSize pageSize_;
    QMarginsF margins_;
    std::unique_ptr<TJob> job_;
};

// The default printer, or, without one, a PDF file the user agrees to and names.
class TSystemReportOutput : public TReportOutput {
public:
    // Asks for the PDF file's name; an empty name gives the job up.
    using TPathChooser = std::function<QString(QWidget* parent)>;
    TSystemReportOutput();
    explicit TSystemReportOutput(TPathChooser choosePdfPath);
    ~TSystemReportOutput() override;
    TReportCanvas* OpenJob(QWidget* parent) override;

private:
    class TPrinterJob;
    TPathChooser choosePdfPath_;
    std::unique_ptr<TPrinterJob> printerJob_;
    std::unique_ptr<TPdfReportOutput> pdfOutput_;
};

// The output the report dialog prints to; replaceable (tests install a recording or PDF output).
TReportOutput& ReportOutput();
// Installs a replacement (nullptr restores the system output) and returns the previous one.
std::unique_ptr<TReportOutput> SetReportOutput(std::unique_ptr<TReportOutput> output);
