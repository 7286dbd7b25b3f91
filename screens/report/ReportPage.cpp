#include "screens/report/ReportPage.h"

#include "core/Language.h"
#include "core/ModelTables.h"
#include "core/Programming.h"
#include "platform/ui/UiServices.h"

#include <cassert>
#include <cmath>

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
    ReportX = 1;
    ReportY = 1;
    const QString today = ClockService().Now().date().toString("dd/MM/yyyy");
    ImprimeLinha("CENTRPRG - " + TrText("Programação de PABX") + QString(42, ' ') + TrText("Data:") + " " +
                 today);
    PulaLinhas(1.0);

    canvas_.SetFontSize(10);
    const QString model = (QString::fromUtf8(ModelInfo(ModelCode).Name) + "  ").left(22);
    ImprimeLinha(model + TrText(ReportTitles[title]) + TrText(ReportTitleSuffixes[suffix]) + "    " +
                 QString::fromStdString(ProgrammingFileName));
    PulaLinhas(1.0);
    TracaLinha(4);
}

void TReportPage::ImprimeLinha(const QString& text) {
    canvas_.TextOut(ReportX, ReportY, text);
    ReportY += ReportLineHeight;
}

void TReportPage::PulaLinhas(double lines) {
    ReportY += L(lines);
}

void TReportPage::TracaLinha(int width) {
    canvas_.SetPenWidth(width);
    HorizontalLine(ReportX, ReportPageWidth - 2 * ReportColumnWidth, ReportY);
}

void TReportPage::NewPage() {
    canvas_.NewPage();
}

void TReportPage::Text(int x, int y, const QString& text) {
    canvas_.TextOut(x, y, text);
}

void TReportPage::HorizontalLine(int x1, int x2, int y) {
    canvas_.MoveTo(x1, y);
    canvas_.LineTo(x2, y);
}

void TReportPage::VerticalLine(int x, int y1, int y2) {
    canvas_.MoveTo(x, y1);
    canvas_.LineTo(x, y2);
}
