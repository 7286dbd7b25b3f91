#include "screens/report/ReportCanvas.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>

void TReportCanvas::MoveTo(int x, int y) {
    penX_ = x;
    penY_ = y;
}

void TReportCanvas::LineTo(int x, int y) {
    PaintLine(penX_, penY_, x, y);
    MoveTo(x, y);
}

void TReportCanvas::TextOut(int x, int y, const QString& text) {
    if (!text.isEmpty()) PaintText(x, y, text);
}

QFont TReportCanvas::CurrentFont() const {
    QFont font(QString::fromLatin1(ReportFontFamily));
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(fontSize_ * Resolution() / 72.0))));
    font.setBold(bold_);
    font.setStyleStrategy(QFont::NoFontMerging);
    return font;
}

int TReportCanvas::TextWidth(const QString& text) const {
    return QFontMetrics(CurrentFont()).horizontalAdvance(text);
}

int TReportCanvas::TextHeight() const {
    return QFontMetrics(CurrentFont()).height();
}

// ---- Recording ----------------------------------------------------------------------------------

void TRecordingReportCanvas::BeginDoc() {
    ++Jobs;
    Pages = 1;
    Ended = false;
    Aborted = false;
    Texts.clear();
    Lines.clear();
}

void TRecordingReportCanvas::NewPage() {
    ++Pages;
}

void TRecordingReportCanvas::EndDoc() {
    Ended = true;
}

void TRecordingReportCanvas::PaintText(int x, int y, const QString& text) {
    Texts.push_back({Pages, x, y, text, FontSize(), Bold(), TextHeight(), TextWidth(text)});
}

void TRecordingReportCanvas::PaintLine(int x1, int y1, int x2, int y2) {
    Lines.push_back({Pages, x1, y1, x2, y2, PenWidth()});
}

namespace {

template <typename T, typename Test> std::vector<T> Select(const std::vector<T>& items, Test test) {
    std::vector<T> result;
    std::copy_if(items.begin(), items.end(), std::back_inserter(result), test);
    return result;
}

} // namespace

std::vector<TReportText> TRecordingReportCanvas::TextsEqual(const QString& text) const {
    return Select(Texts, [&](const TReportText& t) { return t.Text == text; });
}

std::vector<TReportText> TRecordingReportCanvas::TextsStartingWith(const QString& text) const {
    return Select(Texts, [&](const TReportText& t) { return t.Text.startsWith(text); });
}

std::vector<TReportText> TRecordingReportCanvas::TextsOnPage(int page) const {
    return Select(Texts, [&](const TReportText& t) { return t.Page == page; });
}

std::vector<TReportLine> TRecordingReportCanvas::LinesOnPage(int page) const {
    return Select(Lines, [&](const TReportLine& l) { return l.Page == page; });
}

std::vector<TReportLine> TRecordingReportCanvas::HorizontalLinesOnPage(int page) const {
    return Select(Lines, [&](const TReportLine& l) { return l.Page == page && l.Y1 == l.Y2; });
}
