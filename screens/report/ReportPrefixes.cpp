// Report section 12, prefix blocking: every prefix of the prefix tree with its release code,
// listed in columns over as many pages as it needs.
//
// The tree (see the prefix screen): 100 first-level entries for the first two digits, and 25
// nodes of 10 entries for each further digit. An entry with bit 7 clear is a leaf whose bits 3..6
// give the release (the highest set bit wins): none "LOC", 3 "REG", 4 "DDD", 5 "DDI", 6 "BLO". An
// entry with bit 7 set refers to node (entry & 0x7F). The walk follows references down to the
// seventh digit, the longest prefix the screen accepts; an entry at the seventh digit, and a
// reference that cannot be followed below the first level (a node that does not exist, or one
// already listed, as in a damaged tree that loops), is listed as a leaf. A first-level reference
// to a node that does not exist lists nothing.
//
// Page: header; "BLOQUEIO DE PREFIXOS"; a frame from 1c to 98c down to 91l; the legend below the
// frame, inside the page; the listing in columns 12c apart from 2c, 3l per prefix down to 90l, the
// release code 6c right of the prefix (a prefix too long for those 6c in a smaller size, so that
// it keeps half a unit before its code).

#include "screens/report/ReportSections.h"
#include "screens/report/ReportTable.h"

#include "core/ImageLayout.h"
#include "core/Language.h"
#include "core/Programming.h"
#include "platform/ui/UiServices.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr int MaxPrefixDigits = 7;
constexpr double FirstColumnX = 2; // one column unit inside the frame

constexpr std::array<TLegendEntry, 5> ReleaseLegend = {{
    {"LOC", LngText("Liberado para ramais com categoria Local")},
    {"REG", LngText("Liberado para ramais com categoria Regional")},
    {"DDD", LngText("Liberado para ramais com categoria DDD")},
    {"DDI", LngText("Liberado para ramais com categoria DDI")},
    {"BLO", LngText("Bloqueio total do prefixo")},
}};

QString ReleaseCode(std::uint8_t leaf) {
    const char* code = "LOC";
    for (int bit = 3; bit <= 6; ++bit)
        if (leaf & (1 << bit)) code = ReleaseLegend[bit - 2].Code;
    return QString::fromUtf8(code);
}

// Places the prefixes on the pages. A page is started only when a prefix is to go on it.
class TPrefixListing {
public:
    explicit TPrefixListing(TReportPage& page) : page_(page) { ImprimeCabecalhoPrefixos(); }

    void ImprimePrefixo(const QString& prefix, std::uint8_t leaf) {
        if (pageFull_) {
            page_.NewPage();
            ImprimeCabecalhoPrefixos();
        }
        TReportCanvas& canvas = page_.Canvas();
        canvas.SetBold(true);
        canvas.SetFontSize(12);
        page_.Cell(x_, y_, prefix, x_ + page_.C(6));
        canvas.SetBold(false);
        canvas.SetFontSize(8);
        page_.Cell(x_ + page_.C(6), y_ + page_.L(0.5), ReleaseCode(leaf), x_ + page_.C(12));
        y_ += page_.L(3);
        if (y_ <= page_.L(90)) return;
        y_ = top_;
        x_ += page_.C(12);
        pageFull_ = x_ > page_.C(88);
    }

private:
    void ImprimeCabecalhoPrefixos() {
        TReportCanvas& canvas = page_.Canvas();
        page_.ImprimeCabecalho(12, ReportSuffix::None);
        page_.PulaLinhas(2);
        canvas.SetFontSize(14);
        page_.FitFontToHeight(page_.L(2)); // above the frame, two lines down
        page_.Text(page_.C(30), page_.ReportY, TrText("BLOQUEIO DE PREFIXOS"));
        page_.PulaLinhas(2);
        const int left = page_.C(1), right = page_.C(98), top = page_.ReportY, bottom = page_.L(91);
        page_.HorizontalLine(left, right, top);
        page_.HorizontalLine(left, right, bottom);
        page_.VerticalLine(left, top, bottom);
        page_.VerticalLine(right, top, bottom);
        page_.PulaLinhas(2);
        x_ = page_.C(FirstColumnX);
        y_ = top_ = page_.ReportY;
        pageFull_ = false;
        ImprimeLegenda();
    }

    // The legend under the frame, its lines closer than 2l apart when the page's foot is near.
    void ImprimeLegenda() {
        TReportCanvas& canvas = page_.Canvas();
        const QString word = TrText("Em que:") + " ";
        std::vector<QString> codes;
        for (const TLegendEntry& entry : ReleaseLegend) codes.push_back(QString::fromUtf8(entry.Code));
        // One size for the legend: the word and the codes each fit before what follows them.
        canvas.SetFontSize(std::min(FitFontSize(canvas, std::span(&word, 1), page_.C(8.5), 12),
                                    FitFontSize(canvas, codes, page_.C(4.5), 12)));
        const int first = page_.L(92);
        const int entries = static_cast<int>(ReleaseLegend.size());
        const int room = page_.ReportPageHeight - first - canvas.TextHeight();
        const int pitch = std::max(0, std::min(page_.L(2), room / (entries - 1)));
        page_.Cell(page_.C(1), first, word, page_.C(10));
        for (int i = 0; i < entries; ++i) {
            page_.Cell(page_.C(10), first + pitch * i, codes[i], page_.C(15));
            page_.Text(page_.C(15), first + pitch * i, TrText(ReleaseLegend[i].Description));
        }
    }

    TReportPage& page_;
    int x_ = 0, y_ = 0, top_ = 0;
    bool pageFull_ = false;
};

class TPrefixWalk {
public:
    explicit TPrefixWalk(TPrefixListing& listing) : listing_(listing) {}

    void Run() {
        for (int first = 0; first < 100; ++first) {
            const std::uint8_t entry = ProgrammingHeader[Offset::PrefixFirstLevel + first];
            if (IsReference(entry) && !NodeExists(entry)) continue;
            Visit(TwoDigits(first), entry);
        }
    }

private:
    static bool IsReference(std::uint8_t entry) { return entry & 0x80; }
    static bool NodeExists(std::uint8_t entry) {
        return (entry & 0x7F) < static_cast<int>(Offset::PrefixNodeCount);
    }

    void Visit(const QString& prefix, std::uint8_t entry) {
        const int node = entry & 0x7F;
        if (!IsReference(entry) || prefix.size() >= MaxPrefixDigits || !NodeExists(entry) || listed_[node]) {
            listing_.ImprimePrefixo(prefix, entry);
            return;
        }
        listed_[node] = true;
        for (int digit = 0; digit < 10; ++digit)
            Visit(prefix + QString::number(digit),
                  ProgrammingHeader[Offset::PrefixNodes + 10 * node + digit]);
    }

    TPrefixListing& listing_;
    std::array<bool, Offset::PrefixNodeCount> listed_{};
};

} // namespace

void ImprimeBloqueioPrefixos(TReportPage& page) {
    TPrefixListing listing(page);
    TPrefixWalk(listing).Run();
}
