#include "screens/report/ReportPage.h"

#include "core/Language.h"
#include "core/ModelTables.h"
#include "core/Programming.h"
#include "platform/ui/UiServices.h"

#include <cassert>
#include <cmath>

namespace {

const QString Ellipsis = QStringLiteral("…");

} // namespace

const std::array<const char*, 20> ReportTitles = {
    "",
    LngText("CATEGORIA DOS RAMAIS"),
    LngText("PLANO DE NUMERAÇÃO"),
    LngText("CONFIGURAÇÃO DAS VIAS"),
    LngText("AGENDA GERAL"),
    LngText("PROGRAMAÇÕES DE RAMAL"),
    LngText("GRUPOS DE RAMAIS"),
    LngText("GRUPOS CHEFE-SECRETÁRIA"),
    LngText("TEMPORIZAÇÕES"),
    LngText("EMERGENCIA EXTERNA"),
    LngText("ATENDEDORES DE PORTEIROS E FAX"),
    LngText("PROGRAMAÇÕES DIVERSAS"),
    LngText("BLOQUEIO DE PREFIXOS"),
    LngText("FERIADOS"),
    LngText("NOTURNO AUTOMÁTICO"),
    LngText("ATUAÇÃO EXTERNA"),
    LngText("CODIGOS PARTICULARES"),
    LngText("DADOS DO CENTRALIZADOR"),
    LngText("AGENDA INDIVIDUAL"),
    LngText("TECLAS DOS TI"),
};

const std::array<const char*, 5> ReportTitleSuffixes = {
    "", LngText("  (DIURNO)"), LngText("  (NOTURNO)"), LngText(" (Pag. 1)"), LngText(" (Pag. 2)"),
};

std::array<std::uint8_t, ReportSectionCount + 1> ReportSelection{};

TReportPage::TReportPage(TReportCanvas& canvas) : canvas_(canvas) {
    ReportPageWidth = canvas.PageWidth();
    ReportPageHeight = canvas.PageHeight();
    assert(ReportPageWidth > 0 && ReportPageWidth < 65536 && ReportPageHeight > 0 &&
           ReportPageHeight < 65536);
    ReportLineHeight = ReportPageHeight / 100;
    ReportColumnWidth = ReportPageWidth / 100;
}

int TReportPage::Units(double units, int unit) {
    // A small allowance keeps products such as 2.3 x 100 from truncating to one pixel less.
    const int pixels = static_cast<int>(std::floor(units * unit + 1e-6));
    assert(pixels >= 0 && pixels < 65536);
    return pixels;
}

void TReportPage::ImprimeCabecalho(int title, int suffix) {
    assert(title >= 1 && title < static_cast<int>(ReportTitles.size()));
    assert(suffix >= 0 && suffix < static_cast<int>(ReportTitleSuffixes.size()));
    canvas_.SetFontSize(14);
    FitFontToHeight(2 * ReportLineHeight); // the second line is two lines down
    ReportX = 1;
    ReportY = 1;
    const QString today = ClockService().Now().date().toString("dd/MM/yyyy");
    ImprimeLinha("CENTRPRG - " + TrText("Programação de PABX") + QString(42, ' ') + TrText("Data:") + " " +
                 today);
    PulaLinhas(1.0);

    canvas_.SetFontSize(10);
    FitFontToHeight(2 * ReportLineHeight); // the rule is two lines down
    const QString model = (QString::fromUtf8(ModelInfo(ModelCode).Name) + "  ").left(22);
    const QString line = model + TrText(ReportTitles[title]) + TrText(ReportTitleSuffixes[suffix]) + "    ";
    QString path = QString::fromStdString(ProgrammingFileName);
    const TFittedText fitted = FitText(line + path, RuleEnd() - ReportX);
    if (fitted.Cut && !path.isEmpty()) { // the path gives way, from its start
        const TFontSizeKeeper keep(canvas_);
        canvas_.SetFontSize(fitted.Size);
        while (!path.isEmpty() && canvas_.TextWidth(line + Ellipsis + path) > RuleEnd() - ReportX - TextGap())
            path.remove(0, 1);
        path.prepend(Ellipsis);
    }
    ImprimeLinha(line + path);
    PulaLinhas(1.0);
    TracaLinha(4);
}

void TReportPage::ImprimeLinha(const QString& text) {
    Cell(ReportX, ReportY, text, RuleEnd());
    ReportY += ReportLineHeight;
}

void TReportPage::PulaLinhas(double lines) {
    ReportY += L(lines);
}

void TReportPage::TracaLinha(int width) {
    canvas_.SetPenWidth(width);
    HorizontalLine(ReportX, RuleEnd(), ReportY);
}

void TReportPage::NewPage() {
    canvas_.NewPage();
}

void TReportPage::Text(int x, int y, const QString& text) {
    Cell(x, y, text, ReportPageWidth);
}

void TReportPage::FitFontToHeight(int room) {
    while (canvas_.TextHeight() > room && canvas_.FontSize() > SmallestFontSize)
        canvas_.SetFontSize(canvas_.FontSize() - 1);
}

void TReportPage::Cell(int x, int y, const QString& text, int limit) {
    const TFittedText fitted = FitText(text, limit - x);
    const TFontSizeKeeper keep(canvas_);
    canvas_.SetFontSize(fitted.Size);
    canvas_.TextOut(x, y, fitted.Text);
}

TReportPage::TFittedText TReportPage::FitText(const QString& text, int room) const {
    room -= TextGap();
    const TFontSizeKeeper keep(canvas_);
    TFittedText fitted{canvas_.FontSize(), text, false};
    while (canvas_.TextWidth(text) > room && fitted.Size > SmallestFontSize)
        canvas_.SetFontSize(--fitted.Size);
    if (canvas_.TextWidth(text) <= room) return fitted;
    fitted.Cut = true;
    while (!fitted.Text.isEmpty() && canvas_.TextWidth(fitted.Text + Ellipsis) > room) fitted.Text.chop(1);
    fitted.Text += Ellipsis;
    return fitted;
}

void TReportPage::HorizontalLine(int x1, int x2, int y) {
    canvas_.MoveTo(x1, y);
    canvas_.LineTo(x2, y);
}

void TReportPage::VerticalLine(int x, int y1, int y2) {
    canvas_.MoveTo(x, y1);
    canvas_.LineTo(x, y2);
}
