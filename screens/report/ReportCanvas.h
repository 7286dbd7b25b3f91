#pragma once
// The surface a printed report draws on: the pages of one print job with the drawing calls of a
// printer canvas (font size and style, pen width, pen position, lines, text).
//
// Coordinates are device pixels with the origin at the top-left corner of the printable area.
// Text is placed with the top-left corner of its character cell at (x, y) (not at the baseline).
// One font family, DejaVu Sans, so that layouts do not depend on the machine; sizes are points,
// turned into device pixels at the device's resolution. Lines are black, the pen width in pixels.
//
// Backends: TPrinterReportCanvas (ReportPrinter.h) paints on a QPrinter (the default printer or a
// PDF file); TRecordingReportCanvas (below) records every text and line, page by page, for tests.

#include <QFont>
#include <QString>

#include <stdexcept>
#include <vector>

// A print job that could not be started or finished. The message is a source text of the
// language file (LngText), translated when it is shown.
class EReportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr char ReportFontFamily[] = "DejaVu Sans";

class TReportCanvas {
public:
    virtual ~TReportCanvas() = default;

    // The printable area in device pixels, and the device's resolution in dots per inch.
    virtual int PageWidth() const = 0;
    virtual int PageHeight() const = 0;
    virtual int Resolution() const = 0;

    // A job is BeginDoc, drawing on page 1, NewPage before each further page, EndDoc. Failures
    // raise EReportError. AbortDoc gives up a document begun (nothing is printed or kept).
    virtual void BeginDoc() = 0;
    virtual void NewPage() = 0;
    virtual void EndDoc() = 0;
    virtual void AbortDoc() = 0;

    int FontSize() const { return fontSize_; }
    void SetFontSize(int points) { fontSize_ = points; }
    bool Bold() const { return bold_; }
    void SetBold(bool bold) { bold_ = bold; }
    int PenWidth() const { return penWidth_; }
    void SetPenWidth(int pixels) { penWidth_ = pixels; }

    void MoveTo(int x, int y);
    // A line from the pen position to (x, y); the pen moves there.
    void LineTo(int x, int y);
    // The text with the top-left corner of its cell at (x, y), in the current font.
    void TextOut(int x, int y, const QString& text);

    // The current font with its size in device pixels, and its measures on this device.
    QFont CurrentFont() const;
    virtual int TextWidth(const QString& text) const;
    virtual int TextHeight() const;

protected:
    virtual void PaintText(int x, int y, const QString& text) = 0;
    virtual void PaintLine(int x1, int y1, int x2, int y2) = 0;

private:
    int fontSize_ = 10;
    bool bold_ = false;
    int penWidth_ = 1;
    int penX_ = 0, penY_ = 0;
};

// Gives the canvas its font size back when it goes.
class TFontSizeKeeper {
public:
    explicit TFontSizeKeeper(TReportCanvas& canvas) : canvas_(canvas), size_(canvas.FontSize()) {}
    ~TFontSizeKeeper() { canvas_.SetFontSize(size_); }
    TFontSizeKeeper(const TFontSizeKeeper&) = delete;
    TFontSizeKeeper& operator=(const TFontSizeKeeper&) = delete;

private:
    TReportCanvas& canvas_;
    int size_;
};

// What a recording canvas saw. Pages count from 1.
struct TReportText {
    int Page = 0;
    int X = 0, Y = 0;
    QString Text;
    int Size = 0;
    bool Bold = false;
    int Height = 0; // the text's cell height in pixels
    int Width = 0;
};

struct TReportLine {
    int Page = 0;
    int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    int Width = 0;
};

class TRecordingReportCanvas : public TReportCanvas {
public:
    TRecordingReportCanvas(int pageWidth, int pageHeight, int resolution = 600)
        : width_(pageWidth), height_(pageHeight), resolution_(resolution) {}

    int PageWidth() const override { return width_; }
    int PageHeight() const override { return height_; }
    int Resolution() const override { return resolution_; }
    void BeginDoc() override;
    void NewPage() override;
    void EndDoc() override;
    void AbortDoc() override { Aborted = true; }

    int Jobs = 0;  // documents begun
    int Pages = 0; // pages of the last document
    bool Ended = false;
    bool Aborted = false;
    std::vector<TReportText> Texts;
    std::vector<TReportLine> Lines;

    // The texts equal to the given one, or starting with it.
    std::vector<TReportText> TextsEqual(const QString& text) const;
    std::vector<TReportText> TextsStartingWith(const QString& text) const;
    std::vector<TReportText> TextsOnPage(int page) const;
    std::vector<TReportLine> LinesOnPage(int page) const;
    // Horizontal lines of a page (Y1 == Y2), in drawing order.
    std::vector<TReportLine> HorizontalLinesOnPage(int page) const;

protected:
    void PaintText(int x, int y, const QString& text) override;
    void PaintLine(int x1, int y1, int x2, int y2) override;

private:
    int width_, height_, resolution_;
};
