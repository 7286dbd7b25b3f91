#include "screens/report/ReportDriver.h"

#include "screens/report/ReportSections.h"

#include <array>

namespace {

using TSectionPrinter = void (*)(TReportPage&);

constexpr std::array<TSectionPrinter, ReportSectionCount + 1> SectionPrinters = {
    nullptr,
    ImprimeCategorias,
    ImprimePlanoNumeracao,
    ImprimeRotasVias,
    ImprimeAgendaGeral,
    ImprimeProgRamais,
    ImprimeGruposRamais,
    ImprimeChefeSecretaria,
    ImprimeTemporizacoes,
    ImprimeEmergencia,
    ImprimeAtendedores,
    ImprimeDiversas,
    ImprimeBloqueioPrefixos,
    ImprimeFeriados,
    ImprimeServicosAutomaticos,
    ImprimeCodigosParticulares,
    ImprimeCentralizador,
    ImprimeTeclasTI,
};

} // namespace

void ImprimeRelatorio(TReportCanvas& canvas) {
    canvas.BeginDoc();
    try {
        TReportPage page(canvas);
        bool printed = false;
        for (int section = 1; section <= ReportSectionCount; ++section) {
            if (!ReportSelection[section]) continue;
            if (printed) page.NewPage();
            SectionPrinters[section](page);
            printed = true;
        }
        canvas.EndDoc();
    } catch (...) {
        canvas.AbortDoc();
        throw;
    }
}
