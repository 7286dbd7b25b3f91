// Draws the grid's bitmap resources and writes them as PNG files into a folder (the project keeps
// them in resources/grid/, from where the grid library carries them as Qt resources):
//
//   gridbitmaps DIR
//
// Every picture has the transparent colour (fuchsia) in its top-left pixel: the grid draws them
// with that colour left out. Sizes and colour depths:
//   VZGCHK01..04   20 x 20, 16 colours   check box of the flat look: checked, unchecked, checked
//                                        disabled, unchecked disabled
//   VZGCHK05..08   16 x 16, true colour  the same four of the themed look
//   VZGRAD01..04   16 x 16, 16 colours   radio item of the flat look: on, off, on disabled, off
//                                        disabled
//   VZGRAD05..08   16 x 16, 256 colours  the same four of the themed look
//   VZGLEAFOPEN, VZGLEAFCLOSE  16 x 16, 256 colours   node folder, expanded and contracted
//   XPNODEO, XPNODEC           9 x 9, true colour     node box with a minus and with a plus
//   VZGFILT                    16 x 16, 16 colours    the funnel of a column with a filter
// Nothing is drawn antialiased: a blended edge pixel would no longer be the transparent colour.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSet>
#include <cstdio>
#include <functional>

namespace {

const QColor kKey(255, 0, 255);
const QColor kInk(0, 0, 0);
const QColor kDisabledInk(160, 160, 160);
const QColor kDisabledFill(236, 236, 233);

using TDraw = std::function<void(QPainter&)>;

enum class TDepth { Palette16, Palette256, TrueColour };

// A picture on the transparent colour, stored at its colour depth.
bool Write(const QDir& dir, const QString& name, QSize size, TDepth depth, const TDraw& draw) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(kKey);
    {
        QPainter painter(&image);
        draw(painter);
    }
    if (depth == TDepth::TrueColour) {
        image = image.convertToFormat(QImage::Format_RGB888);
    } else {
        QSet<QRgb> seen;
        QList<QRgb> table{kKey.rgb()};
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (!seen.contains(pixel) && pixel != kKey.rgb()) table << pixel;
                seen.insert(pixel);
            }
        const int limit = depth == TDepth::Palette16 ? 16 : 256;
        if (table.size() > limit) {
            std::fprintf(stderr, "%s: %d colours, at most %d\n", qPrintable(name), int(table.size()), limit);
            return false;
        }
        image = image.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither | Qt::AvoidDither);
    }
    const QString file = dir.filePath(name + QStringLiteral(".png"));
    if (!image.save(file, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    return true;
}

// A vertical run of colours from top to bottom inside the rectangle (one colour per line).
void Shade(QPainter& p, const QRect& r, QColor top, QColor bottom) {
    const int lines = std::max(r.height() - 1, 1);
    for (int i = 0; i < r.height(); ++i) {
        const auto mix = [&](int a, int b) { return a + (b - a) * i / lines; };
        p.setPen(QColor(mix(top.red(), bottom.red()), mix(top.green(), bottom.green()),
                        mix(top.blue(), bottom.blue())));
        p.drawLine(r.left(), r.top() + i, r.right(), r.top() + i);
    }
}

// The tick of a check box whose inside starts at (x, y): two pixels thick.
void Tick(QPainter& p, int x, int y, QColor ink) {
    p.setPen(ink);
    const QPoint points[] = {{0, 4}, {1, 5}, {2, 6}, {3, 5}, {4, 4}, {5, 3}, {6, 2}, {7, 1}, {8, 0}};
    for (QPoint q : points) {
        p.drawPoint(x + q.x(), y + q.y());
        p.drawPoint(x + q.x(), y + q.y() + 1);
        p.drawPoint(x + q.x(), y + q.y() + 2);
    }
}

// Flat look: a 15 x 15 box with a dark frame and a soft inside, at (1, 1) of the 20 x 20 picture.
TDraw FlatCheck(bool checked, bool enabled) {
    return [=](QPainter& p) {
        const QRect box(1, 1, 15, 15);
        p.setPen(enabled ? QColor(64, 64, 64) : kDisabledInk);
        p.drawRect(box.adjusted(0, 0, -1, -1));
        if (enabled)
            Shade(p, box.adjusted(1, 1, -1, -1), QColor(255, 255, 255), QColor(208, 208, 208));
        else
            p.fillRect(box.adjusted(1, 1, -1, -1), kDisabledFill);
        if (checked) Tick(p, box.left() + 3, box.top() + 3, enabled ? kInk : kDisabledInk);
    };
}

// Themed look: a 13 x 13 box with a blue frame and a light gradient inside, at (1, 1).
TDraw ThemedCheck(bool checked, bool enabled) {
    return [=](QPainter& p) {
        const QRect box(1, 1, 13, 13);
        p.setPen(enabled ? QColor(28, 81, 128) : QColor(202, 200, 187));
        p.drawRect(box.adjusted(0, 0, -1, -1));
        if (enabled)
            Shade(p, box.adjusted(1, 1, -1, -1), QColor(220, 220, 215), QColor(255, 255, 255));
        else
            p.fillRect(box.adjusted(1, 1, -1, -1), QColor(255, 255, 255));
        if (checked) Tick(p, box.left() + 2, box.top() + 2, enabled ? QColor(33, 161, 33) : kDisabledInk);
    };
}

// A round radio item of diameter 12 at (2, 2): a one-pixel ring around a lighter inside, and the
// dot of an item that is on.
TDraw RadioItem(bool on, bool enabled, bool themed) {
    return [=](QPainter& p) {
        const QColor frame = !enabled ? (themed ? QColor(202, 200, 187) : kDisabledInk)
                             : themed ? QColor(28, 81, 128)
                                      : QColor(64, 64, 64);
        const auto inside = [](int x, int y) {
            const double dx = x - 5.5, dy = y - 5.5;
            return dx * dx + dy * dy <= 6.1 * 6.1;
        };
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x) {
                if (!inside(x, y)) continue;
                const bool ring =
                    !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
                QColor fill = enabled || themed ? QColor(255, 255, 255) : kDisabledFill;
                if (themed && enabled)
                    fill = QColor(255 - 3 * (11 - y), 255 - 3 * (11 - y), 250 - 3 * (11 - y));
                p.setPen(ring ? frame : fill);
                p.drawPoint(2 + x, 2 + y);
            }
        if (!on) return;
        const QColor dot = !enabled ? (themed ? QColor(202, 200, 187) : kDisabledInk)
                           : themed ? QColor(33, 161, 33)
                                    : kInk;
        p.fillRect(QRect(6, 7, 4, 2), dot);
        p.fillRect(QRect(7, 6, 2, 4), dot);
        p.fillRect(QRect(6, 6, 4, 4), dot);
    };
}

// A folder; the open one shows its front leaf lowered.
TDraw Leaf(bool expanded) {
    return [=](QPainter& p) {
        const QColor edge(128, 96, 0), body(255, 220, 120), front(255, 236, 170);
        p.setPen(edge);
        p.setBrush(body);
        p.drawPolygon(QPolygon{{1, 3}, {6, 3}, {7, 5}, {14, 5}, {14, 13}, {1, 13}});
        if (expanded) {
            p.setBrush(front);
            p.drawPolygon(QPolygon{{3, 8}, {15, 8}, {13, 13}, {1, 13}});
        } else {
            p.drawLine(2, 6, 13, 6);
        }
    };
}

// A 9 x 9 box with open corners, a minus and, contracted, the upright of a plus.
TDraw NodeBox(bool expanded) {
    return [=](QPainter& p) {
        Shade(p, QRect(1, 1, 7, 7), QColor(255, 255, 255), QColor(214, 214, 206));
        p.setPen(QColor(120, 152, 181));
        p.drawLine(1, 0, 7, 0);
        p.drawLine(1, 8, 7, 8);
        p.drawLine(0, 1, 0, 7);
        p.drawLine(8, 1, 8, 7);
        p.setPen(kInk);
        p.drawLine(2, 4, 6, 4);
        if (!expanded) p.drawLine(4, 2, 4, 6);
    };
}

TDraw Funnel() {
    return [](QPainter& p) {
        p.setPen(kInk);
        p.setBrush(QColor(96, 96, 96));
        p.drawPolygon(QPolygon{{2, 3}, {13, 3}, {9, 8}, {9, 13}, {6, 11}, {6, 8}});
    };
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: gridbitmaps DIR\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot make %s\n", argv[1]);
        return 1;
    }
    // Checked enabled, unchecked enabled, checked disabled, unchecked disabled.
    const bool states[4][2] = {{true, true}, {false, true}, {true, false}, {false, false}};
    bool ok = true;
    for (int i = 0; i < 4; ++i) {
        const auto [on, enabled] = std::pair(states[i][0], states[i][1]);
        ok &=
            Write(dir, QString("VZGCHK0%1").arg(i + 1), {20, 20}, TDepth::Palette16, FlatCheck(on, enabled));
        ok &= Write(dir, QString("VZGCHK0%1").arg(i + 5), {16, 16}, TDepth::TrueColour,
                    ThemedCheck(on, enabled));
        ok &= Write(dir, QString("VZGRAD0%1").arg(i + 1), {16, 16}, TDepth::Palette16,
                    RadioItem(on, enabled, false));
        ok &= Write(dir, QString("VZGRAD0%1").arg(i + 5), {16, 16}, TDepth::Palette256,
                    RadioItem(on, enabled, true));
    }
    ok &= Write(dir, "VZGLEAFOPEN", {16, 16}, TDepth::Palette256, Leaf(true));
    ok &= Write(dir, "VZGLEAFCLOSE", {16, 16}, TDepth::Palette256, Leaf(false));
    ok &= Write(dir, "XPNODEO", {9, 9}, TDepth::TrueColour, NodeBox(true));
    ok &= Write(dir, "XPNODEC", {9, 9}, TDepth::TrueColour, NodeBox(false));
    ok &= Write(dir, "VZGFILT", {16, 16}, TDepth::Palette16, Funnel());
    return ok ? 0 : 1;
}
