#include "screens/report/ReportPrinter.h"

#include "core/Language.h"
#include "platform/os/FileIo.h"
#include "platform/ui/UiServices.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPdfWriter>
#include <QPen>
#include <QPrinter>
#include <QPrinterInfo>

#include <cmath>
#include <string_view>

// ---- QPainter on a QPrinter -----------------------------------------------------------------------

TPrinterReportCanvas::TPrinterReportCanvas(QPrinter& printer) : device_(printer), printer_(&printer) {}

TPrinterReportCanvas::TPrinterReportCanvas(QPdfWriter& writer) : device_(writer), writer_(&writer) {}

int TPrinterReportCanvas::PageWidth() const {
    return device_.pageLayout().paintRectPixels(Resolution()).width();
}

int TPrinterReportCanvas::PageHeight() const {
    return device_.pageLayout().paintRectPixels(Resolution()).height();
}

int TPrinterReportCanvas::Resolution() const {
    return printer_ ? printer_->resolution() : writer_->resolution();
}

int TPrinterReportCanvas::TextWidth(const QString& text) const {
    return static_cast<int>(std::ceil(QFontMetricsF(CurrentFont(), &device_).horizontalAdvance(text)));
}

int TPrinterReportCanvas::TextHeight() const {
    return static_cast<int>(std::ceil(QFontMetricsF(CurrentFont(), &device_).height()));
}

void TPrinterReportCanvas::BeginDoc() {
    if (!painter_.begin(&device_))
        throw EReportError(LngText("Não foi possível iniciar a impressão do relatório."));
}

void TPrinterReportCanvas::NewPage() {
    if (!device_.newPage()) throw EReportError(LngText("Não foi possível imprimir o relatório."));
}

void TPrinterReportCanvas::EndDoc() {
    if (!painter_.end()) throw EReportError(LngText("Não foi possível imprimir o relatório."));
}

void TPrinterReportCanvas::AbortDoc() {
    if (!painter_.isActive()) return;
    if (printer_) printer_->abort();
    painter_.end();
}

void TPrinterReportCanvas::PaintText(int x, int y, const QString& text) {
    painter_.setFont(CurrentFont());
    painter_.setPen(QPen(Qt::black));
    painter_.drawText(x, y + painter_.fontMetrics().ascent(), text);
}

void TPrinterReportCanvas::PaintLine(int x1, int y1, int x2, int y2) {
    QPen pen(Qt::black);
    pen.setWidth(PenWidth());
    painter_.setPen(pen);
    painter_.drawLine(x1, y1, x2, y2);
}

// ---- PDF files --------------------------------------------------------------------------------------

// One PDF document: painted in memory, its file written and put in the target's place when it is
// complete (a report is some hundred kilobytes).
class TPdfReportOutput::TJob {
public:
    TJob(const QString& target, const QPageSize& pageSize, const QMarginsF& margins)
        : write_(target.toStdString()), writer_(&bytes_), canvas_(*this) {
        bytes_.open(QIODevice::WriteOnly);
        writer_.setResolution(1200); // as a high-resolution QPrinter's PDF
        writer_.setPageLayout(QPageLayout(pageSize, QPageLayout::Portrait, margins, QPageLayout::Millimeter));
        writer_.setTitle(QFileInfo(target).completeBaseName());
    }
    // A document left unfinished (a failure while drawing) leaves no file behind.
    ~TJob() { canvas_.AbortDoc(); }
    TReportCanvas& Canvas() { return canvas_; }

private:
    class TCanvas : public TPrinterReportCanvas {
    public:
        explicit TCanvas(TJob& job) : TPrinterReportCanvas(job.writer_), job_(job) {}
        void EndDoc() override {
            TPrinterReportCanvas::EndDoc();
            job_.write_.Write(std::string_view(job_.bytes_.data().constData(), job_.bytes_.data().size()));
            job_.write_.Commit();
        }
        void AbortDoc() override {
            TPrinterReportCanvas::AbortDoc();
            job_.write_.Abandon();
        }

    private:
        TJob& job_;
    };

    TSafeWrite write_; // made first: a file that cannot be made is said before anything is painted
    QBuffer bytes_;
    QPdfWriter writer_;
    TCanvas canvas_;
};

TPdfReportOutput::TPdfReportOutput(QString path, QPageSize pageSize, QMarginsF marginsMm)
    : path_(std::move(path)), pageSize_(std::move(pageSize)), margins_(marginsMm) {}

TPdfReportOutput::~TPdfReportOutput() = default;

TReportCanvas* TPdfReportOutput::OpenJob(QWidget*) {
    job_.reset();
    job_ = std::make_unique<TJob>(path_, pageSize_, margins_);
    return &job_->Canvas();
}

// ---- The system's default printer, or a PDF file ------------------------------------------------------

class TSystemReportOutput::TPrinterJob {
public:
    explicit TPrinterJob(const QPrinterInfo& info)
        : printer_(info, QPrinter::HighResolution), canvas_(printer_) {
        printer_.setDocName(TrText("Relatório das programações"));
    }
    TReportCanvas& Canvas() { return canvas_; }

private:
    QPrinter printer_;
    TPrinterReportCanvas canvas_;
};

namespace {

QString AskPdfPath(QWidget* parent) {
    return QString::fromStdString(FileDialogService().SaveFileName(
        parent, TrText("Salvar relatório"), QDir::home().filePath("Relatorio.pdf").toStdString(),
        "PDF (*.pdf)"));
}

} // namespace

TSystemReportOutput::TSystemReportOutput() : TSystemReportOutput(AskPdfPath) {}

TSystemReportOutput::TSystemReportOutput(TPathChooser choosePdfPath)
    : choosePdfPath_(std::move(choosePdfPath)) {}

TSystemReportOutput::~TSystemReportOutput() = default;

TReportCanvas* TSystemReportOutput::OpenJob(QWidget* parent) {
    printerJob_.reset();
    pdfOutput_.reset();
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (!printer.isNull()) {
        printerJob_ = std::make_unique<TPrinterJob>(printer);
        return &printerJob_->Canvas();
    }
    if (!AskConfirmation(
            parent, LngText("Não há impressora instalada. Deseja salvar o relatório em um arquivo PDF?")))
        return nullptr;
    QString path = choosePdfPath_(parent);
    if (path.isEmpty()) return nullptr;
    if (!path.endsWith(".pdf", Qt::CaseInsensitive)) path += ".pdf";
    pdfOutput_ = std::make_unique<TPdfReportOutput>(path);
    return pdfOutput_->OpenJob(parent);
}

// ---- The output in use ----------------------------------------------------------------------------------

namespace {

std::unique_ptr<TReportOutput>& Replacement() {
    static std::unique_ptr<TReportOutput> output;
    return output;
}

} // namespace

TReportOutput& ReportOutput() {
    static TSystemReportOutput system;
    return Replacement() ? *Replacement() : system;
}

std::unique_ptr<TReportOutput> SetReportOutput(std::unique_ptr<TReportOutput> output) {
    std::swap(Replacement(), output);
    return output;
}
