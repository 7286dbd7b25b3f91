// The whole report of a fixture printed to a PDF file, read back with the poppler tools
// (pdfinfo, pdftotext). Set CENTRPRG_REPORT_PDF to a path to keep the file for a look.

#include "ReportFixture.h"

#include "core/ProgrammingFile.h"
#include "platform/os/Cp1252.h"
#include "platform/os/OsError.h"
#include "support/ShellCommand.h"

#include <QFile>

#include <filesystem>
#include <string>

namespace {

class ReportPdfTest : public ReportFixture {
protected:
    // MODEL11.NPX with names, a few terminals and schedule times, so that every section has
    // something to show.
    void LoadFixture() {
        const std::string path = folder.Path("campo.npx");
        std::filesystem::copy_file(FixtureFile(11), path);
        LoadProgrammingFile(path);
        ProgrammingImage.SetShortString(Offset::Names, Utf8ToCp1252("Recepção"));
        ProgrammingImage.SetShortString(Offset::Names + NameEntrySize, "Diretoria");
        for (std::size_t t = 0; t < 8; ++t)
            Byte(Offset::TerminalPositions + t) = static_cast<std::uint8_t>(t);
        for (std::size_t k = 0; k < 25; ++k)
            Byte(Offset::TerminalKeys + k) = static_cast<std::uint8_t>(k < 15 ? k : 255);
        Byte(Offset::NightService) = 18;
        Byte(Offset::NightService + 1) = 30;
        Byte(Offset::NightService + 2) = 7;
        Byte(Offset::NightService + 3) = 45;
        Byte(Offset::Holidays) = 25;
        Byte(Offset::Holidays + 1) = 12;
    }

    std::string PrintAllToPdf() {
        const std::string pdf = folder.Path("relatorio.pdf");
        TPdfReportOutput output(QString::fromStdString(pdf));
        TReportCanvas* job = output.OpenJob(nullptr);
        ReportSelection.fill(1);
        ImprimeRelatorio(*job);
        if (const char* keep = std::getenv("CENTRPRG_REPORT_PDF"))
            std::filesystem::copy_file(pdf, keep, std::filesystem::copy_options::overwrite_existing);
        return pdf;
    }
};

TEST_F(ReportPdfTest, WholeReportOfAFixture) {
    if (!HavePoppler()) GTEST_SKIP() << "pdfinfo and pdftotext (poppler-utils) are needed";
    LoadFixture();
    const std::string pdf = PrintAllToPdf();
    EXPECT_EQ(folder.EntryCount(), 2); // campo.npx and the report

    // 2 categories, 1 plan, 2 trunks, 1 speed dial, 1 facilities, 1 groups, 1 boss-secretary,
    // 4 value lists, 1 prefixes, 1 holidays, 2 schedules, 1 private codes, 1 centralizer,
    // 2 terminal keys (6 + 2 blocks).
    EXPECT_NE(CommandOutput("pdfinfo '" + pdf + "'").find("Pages:           21\n"), std::string::npos);

    const std::string text = CommandOutput("pdftotext -layout '" + pdf + "' -");
    for (int title = 1; title < static_cast<int>(ReportTitles.size()); ++title) {
        if (title == 18) continue; // printed by no section
        EXPECT_NE(text.find(ReportTitles[title]), std::string::npos) << ReportTitles[title];
    }
    for (const char* expected : {"Talvenor ARCO", "campo.npx", "Recepção", "Data: 29/02/2024", "LOC", "V/W",
                                 "Ramal TI 27", "18:30", "07:45", "25/12", "Sem função"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
}

TEST_F(ReportPdfTest, AnUnfinishedDocumentLeavesNoFile) {
    UseDefaultProgramming(11);
    const std::string pdf = folder.Path("relatorio.pdf");
    {
        TPdfReportOutput output(QString::fromStdString(pdf));
        TReportCanvas* job = output.OpenJob(nullptr);
        job->BeginDoc();
        job->TextOut(10, 10, "parte");
        job->AbortDoc();
    }
    EXPECT_EQ(folder.EntryCount(), 0);
}

TEST_F(ReportPdfTest, AnUnwritableFolderIsReported) {
    TPdfReportOutput output(QString::fromStdString(folder.Path("missing/relatorio.pdf")));
    EXPECT_THROW(output.OpenJob(nullptr), EOsError); // before anything is painted
}

// No link beside the target is written through (one at an earlier temporary file's name, say).
TEST_F(ReportPdfTest, NoLinkBesideTheTargetIsWrittenThrough) {
    UseDefaultProgramming(11);
    folder.Write("kept.txt", "a user's file");
    std::filesystem::create_symlink(folder.Path("kept.txt"), folder.Path("relatorio.pdf.tmp"));
    PrintAllToPdf();
    EXPECT_TRUE(folder.Read("kept.txt") == "a user's file" && folder.EntryCount() == 3);
}

} // namespace
