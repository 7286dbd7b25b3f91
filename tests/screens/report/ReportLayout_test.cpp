// The layout of every report section with the widest values a programming can hold: 20-digit
// numbers, 20-character names of the widest letter, four-digit extensions and prefixes, the longest
// key functions and a long file path. Every drawn text is measured on the recording canvas against
// what is beside it: no text runs over a rule, into another text or off the page.
// Set CENTRPRG_REPORT_PDF to a path to print the same report to a PDF file for a look.

#include "ReportFixture.h"

#include "core/ValueConversions.h"

#include <QPrinter>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// Between two texts of one line, and between a text and the rule after it, at least this much room.
int TextGap(int pageWidth) {
    return pageWidth / 100 / 4;
}

std::string Describe(const TReportText& text) {
    return "\"" + text.Text.toStdString() + "\" (page " + std::to_string(text.Page) + ", " +
           std::to_string(text.X) + ", " + std::to_string(text.Y) + ", size " + std::to_string(text.Size) +
           ", " + std::to_string(text.Width) + " wide)";
}

// Every text that runs off its page, over a rule or into another text.
std::vector<std::string> LayoutFaults(const std::vector<TReportText>& texts,
                                      const std::vector<TReportLine>& lines, int pageWidth, int pageHeight) {
    const int gap = TextGap(pageWidth);
    std::vector<std::string> faults;
    for (const TReportText& text : texts) {
        const int left = text.X, right = text.X + text.Width, top = text.Y, bottom = text.Y + text.Height;
        if (left < 0 || right > pageWidth || bottom > pageHeight)
            faults.push_back(Describe(text) + " runs off the page");
        for (const TReportLine& line : lines) {
            if (line.Page != text.Page) continue;
            const int half = (line.Width + 1) / 2;
            if (line.X1 == line.X2) { // vertical
                const int y1 = std::min(line.Y1, line.Y2), y2 = std::max(line.Y1, line.Y2);
                // A text keeps the gap before the rule that ends its column, and starts clear of
                // the rule that begins it.
                if (top < y2 && bottom > y1 && left <= line.X1 + half && right > line.X1 - half - gap)
                    faults.push_back(Describe(text) + " runs over the rule at x " + std::to_string(line.X1));
            } else if (line.Y1 == line.Y2) { // horizontal
                const int x1 = std::min(line.X1, line.X2), x2 = std::max(line.X1, line.X2);
                if (left < x2 && right > x1 && top < line.Y1 + half && bottom > line.Y1 - half)
                    faults.push_back(Describe(text) + " runs over the rule at y " + std::to_string(line.Y1));
            }
        }
    }
    for (std::size_t a = 0; a < texts.size(); ++a)
        for (std::size_t b = a + 1; b < texts.size(); ++b) {
            const TReportText &one = texts[a], &other = texts[b];
            if (one.Page != other.Page) continue;
            if (one.Y >= other.Y + other.Height || other.Y >= one.Y + one.Height) continue; // other lines
            const TReportText& first = one.X <= other.X ? one : other;
            const TReportText& second = one.X <= other.X ? other : one;
            if (first.X + first.Width + gap > second.X)
                faults.push_back(Describe(first) + " runs into " + Describe(second));
        }
    return faults;
}

// The report printed on a PDF printer, every text and line recorded with the printer's own
// measures.
class TRecordingPdfCanvas : public TPrinterReportCanvas {
public:
    explicit TRecordingPdfCanvas(QPrinter& printer) : TPrinterReportCanvas(printer) {}
    void BeginDoc() override {
        TPrinterReportCanvas::BeginDoc();
        page_ = 1;
    }
    void NewPage() override {
        TPrinterReportCanvas::NewPage();
        ++page_;
    }
    std::vector<TReportText> Texts;
    std::vector<TReportLine> Lines;

protected:
    void PaintText(int x, int y, const QString& text) override {
        Texts.push_back({page_, x, y, text, FontSize(), Bold(), TextHeight(), TextWidth(text)});
        TPrinterReportCanvas::PaintText(x, y, text);
    }
    void PaintLine(int x1, int y1, int x2, int y2) override {
        Lines.push_back({page_, x1, y1, x2, y2, PenWidth()});
        TPrinterReportCanvas::PaintLine(x1, y1, x2, y2);
    }

private:
    int page_ = 0;
};

class ReportLayoutTest : public ReportFixture {
protected:
    // Model 12 (20 extensions, 6 trunks, 10 terminals) with the widest value in every field.
    void LoadWidestProgramming() {
        UseDefaultProgramming(12);
        ProgrammingFileName = "/home/instalador/clientes/Condomínio Residencial das Palmeiras Imperiais/"
                              "bloco B/programação da portaria nova.npx";
        const std::string name(20, 'W');
        const PackedNumber longNumber = PackPhoneNumber("98765432109876543210");
        for (int p = 0; p < 20; ++p) {
            ProgrammingImage.SetU16(Offset::ExtensionNumbers + 2 * p, static_cast<std::uint16_t>(3980 + p));
            ProgrammingImage.SetShortString(Offset::Names + NameEntrySize * p, name);
        }
        for (std::size_t n = 0; n < Offset::GeneralSpeedDialCount; ++n) {
            ProgrammingImage.SetPacked(Offset::GeneralSpeedDial + sizeof(PackedNumber) * n, longNumber);
            ProgrammingImage[Offset::GeneralSpeedDial + sizeof(PackedNumber) * n] = 0x80;
            ProgrammingImage[Offset::GeneralSpeedDial + sizeof(PackedNumber) * n + 1] |= 0xE0;
            ProgrammingImage.SetShortString(Offset::GeneralSpeedDialNames + NameEntrySize * n, name);
        }
        for (std::size_t i = 0; i < Offset::PrivateCodeCount; ++i) {
            ProgrammingImage[Offset::PrivateCodes + i] = static_cast<std::uint8_t>(i % 20);
            ProgrammingImage.SetShortString(Offset::PrivateCodeNames + NameEntrySize * i, name);
        }
        for (std::size_t g = 0; g < 4; ++g) {
            ProgrammingImage[Offset::Groups + 8 * g] = 16;
            for (std::size_t m = 1; m < 8; ++m)
                ProgrammingImage[Offset::Groups + 8 * g + m] = static_cast<std::uint8_t>(g * 4 + m);
            ProgrammingImage[Offset::GroupRings + g] = 255;
        }
        for (std::size_t b = 0; b < 8; ++b)
            ProgrammingHeader[Offset::Bosses + b] = static_cast<std::uint8_t>(b);
        for (std::size_t t = 0; t < 6; ++t) {
            std::uint8_t* record = &ProgrammingHeader[Offset::TrunkRecords + 8 * t];
            record[0] = 0xFF;
            record[1] = 17;
            record[2] = 18;
            record[3] = 19;
            record[4] = record[5] = record[6] = 255;
            record[7] = 0xFF;
        }
        for (std::size_t i = 290; i <= 296; ++i) ProgrammingHeader[i] = 255;
        for (const std::size_t number :
             {Offset::Emergency1Number, Offset::Emergency2Number, Offset::EmergencyExtensionNumber,
              Offset::DoorPhone1Number, Offset::DoorPhone2Number, Offset::CentralizerNumber})
            ProgrammingImage.SetPacked(number, longNumber);
        ProgrammingImage[Offset::Emergency1Target] = 19;
        ProgrammingImage[Offset::Emergency2Target] = 18;
        ProgrammingImage[Offset::EmergencyExtension] = 17;
        ProgrammingImage[Offset::EmergencyExtensionTarget] = 16;
        ProgrammingImage[Offset::FaxAttendant] = 15;
        // Every two-digit prefix goes on to four digits, released for DDI or blocked.
        for (int first = 0; first < 100; ++first)
            ProgrammingHeader[Offset::PrefixFirstLevel + first] =
                static_cast<std::uint8_t>(0x80 | (first % 2));
        for (int digit = 0; digit < 10; ++digit) {
            ProgrammingHeader[Offset::PrefixNodes + digit] = 0x82;
            ProgrammingHeader[Offset::PrefixNodes + 10 + digit] = 0x82;
            ProgrammingHeader[Offset::PrefixNodes + 20 + digit] = digit % 2 ? 0x20 : 0x48;
        }
        ProgrammingImage[Offset::CentralizerId] = 0x99;
        ProgrammingImage[Offset::CentralizerHour] = 23;
        ProgrammingImage[Offset::CentralizerMinute] = 59;
        static constexpr std::uint8_t longestKeys[] = {120, 119, 105, 104, 106, 117, 158, 103, 19};
        for (std::size_t t = 0; t < Offset::TerminalCount; ++t) {
            ProgrammingImage[Offset::TerminalPositions + t] = static_cast<std::uint8_t>(t);
            for (std::size_t k = 0; k < Offset::KeysPerTerminal; ++k)
                ProgrammingImage[Offset::TerminalKeys + Offset::KeysPerTerminal * t + k] =
                    longestKeys[k % std::size(longestKeys)];
        }
    }
};

// Pages of several sizes and resolutions: the whole A4 sheet, and the printable areas of A4 and
// Letter printers.
struct TPageCase {
    const char* name;
    int width, height, resolution;
};

class ReportLayoutOnPages : public ReportLayoutTest, public testing::WithParamInterface<TPageCase> {};

TEST_P(ReportLayoutOnPages, NoTextRunsOverARuleIntoAnotherTextOrOffThePage) {
    LoadWidestProgramming();
    TRecordingReportCanvas page(GetParam().width, GetParam().height, GetParam().resolution);
    ReportSelection.fill(1);
    ImprimeRelatorio(page);
    ASSERT_TRUE(page.Ended);
    for (const std::string& fault : LayoutFaults(page.Texts, page.Lines, page.PageWidth(), page.PageHeight()))
        ADD_FAILURE() << fault;
}

INSTANTIATE_TEST_SUITE_P(Pages, ReportLayoutOnPages,
                         testing::Values(TPageCase{"A4Sheet600", 4960, 7015, 600},
                                         TPageCase{"A4Printable1200", 9448, 13559, 1200},
                                         TPageCase{"LetterPrintable300", 2400, 3150, 300}),
                         [](const testing::TestParamInfo<TPageCase>& info) {
                             return std::string(info.param.name);
                         });

// The same on the PDF printer the tool saves reports with, measured as it prints.
TEST_F(ReportLayoutTest, NoTextRunsOverAnotherOnThePdfPrinter) {
    LoadWidestProgramming();
    const QString pdf = QString::fromStdString(folder.Path("relatorio.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(5, 5, 5, 5),
                                      QPageLayout::Millimeter));
    TRecordingPdfCanvas canvas(printer);
    ReportSelection.fill(1);
    ImprimeRelatorio(canvas);
    for (const std::string& fault :
         LayoutFaults(canvas.Texts, canvas.Lines, canvas.PageWidth(), canvas.PageHeight()))
        ADD_FAILURE() << fault;
    if (const char* keep = std::getenv("CENTRPRG_REPORT_PDF"))
        std::filesystem::copy_file(pdf.toStdString(), keep,
                                   std::filesystem::copy_options::overwrite_existing);
}

} // namespace
