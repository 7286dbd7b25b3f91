#include "platform/ui/Glyphs.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <functional>

namespace {

const QColor kKey(255, 0, 255);
const QColor kInk(0, 0, 0);
const QColor kFrame(28, 81, 128);
const QColor kDisabled(160, 160, 160);

using TDraw = std::function<void(QPainter&, QSize)>;

TBitmap Make(QSize size, const QColor& background, const TDraw& draw) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    QPainter painter(&image);
    draw(painter, size);
    return TBitmap(image);
}

TDraw CheckBox(bool checked, bool enabled, bool themed) {
    return [=](QPainter& p, QSize s) {
        const QRect box(themed ? 1 : 3, themed ? 1 : 3, themed ? 13 : 13, themed ? 13 : 13);
        p.fillRect(box.adjusted(1, 1, 0, 0), enabled ? Qt::white : QColor(236, 236, 236));
        p.setPen(enabled ? (themed ? kFrame : kInk) : kDisabled);
        p.drawRect(box);
        if (!checked) return;
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(enabled ? kInk : kDisabled, 2));
        const QPointF o = box.topLeft();
        p.drawPolyline(QPolygonF{o + QPointF(3, 7), o + QPointF(6, 10), o + QPointF(11, 3)});
        (void)s;
    };
}

TDraw Radio(bool on, bool enabled, bool themed) {
    return [=](QPainter& p, QSize) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(enabled ? (themed ? kFrame : kInk) : kDisabled);
        p.setBrush(enabled ? Qt::white : QColor(236, 236, 236));
        p.drawEllipse(QRectF(1.5, 1.5, 12, 12));
        if (!on) return;
        p.setPen(Qt::NoPen);
        p.setBrush(enabled ? (themed ? QColor(33, 161, 33) : kInk) : kDisabled);
        p.drawEllipse(QRectF(5, 5, 5, 5));
    };
}

TDraw NodeBox(bool expanded) {
    return [=](QPainter& p, QSize) {
        p.fillRect(QRect(1, 1, 7, 7), Qt::white);
        p.setPen(QColor(120, 152, 181)); // a frame with open corners
        p.drawLine(1, 0, 7, 0);
        p.drawLine(1, 8, 7, 8);
        p.drawLine(0, 1, 0, 7);
        p.drawLine(8, 1, 8, 7);
        p.setPen(kInk);
        p.drawLine(2, 4, 6, 4);
        if (!expanded) p.drawLine(4, 2, 4, 6);
    };
}

TDraw Leaf(bool expanded) {
    return [=](QPainter& p, QSize) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QColor(128, 96, 0));
        p.setBrush(QColor(255, 220, 120));
        QPainterPath folder;
        folder.moveTo(1.5, 4.5);
        folder.lineTo(6.5, 4.5);
        folder.lineTo(7.5, 6.5);
        folder.lineTo(14.5, 6.5);
        folder.lineTo(14.5, 13.5);
        folder.lineTo(1.5, 13.5);
        folder.closeSubpath();
        p.drawPath(folder);
        if (expanded) p.drawLine(QPointF(3.5, 9.5), QPointF(14.5, 9.5));
    };
}

TDraw Funnel() {
    return [](QPainter& p, QSize) {
        p.setPen(kInk);
        p.setBrush(QColor(90, 90, 90));
        p.drawPolygon(
            QPolygon{QPoint(2, 3), QPoint(13, 3), QPoint(9, 8), QPoint(9, 13), QPoint(6, 11), QPoint(6, 8)});
    };
}

TDraw SpinArrow(bool up) {
    return [=](QPainter& p, QSize) {
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        p.drawPolygon(up ? QPolygon{QPoint(3, 0), QPoint(6, 3), QPoint(0, 3)}
                         : QPolygon{QPoint(0, 0), QPoint(6, 0), QPoint(3, 3)});
    };
}

TDraw PanMark(bool horizontal, bool vertical) {
    return [=](QPainter& p, QSize) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(kInk);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(1.5, 1.5, 28, 28));
        p.setBrush(kInk);
        p.drawEllipse(QRectF(13.5, 13.5, 4, 4));
        if (vertical) {
            p.drawPolygon(QPolygonF{QPointF(15.5, 4), QPointF(19.5, 9), QPointF(11.5, 9)});
            p.drawPolygon(QPolygonF{QPointF(15.5, 27), QPointF(19.5, 22), QPointF(11.5, 22)});
        }
        if (horizontal) {
            p.drawPolygon(QPolygonF{QPointF(4, 15.5), QPointF(9, 11.5), QPointF(9, 19.5)});
            p.drawPolygon(QPolygonF{QPointF(27, 15.5), QPointF(22, 11.5), QPointF(22, 19.5)});
        }
    };
}

TDraw Arrow(const QPolygon& outline) {
    return [outline](QPainter& p, QSize) {
        p.setPen(Qt::white);
        p.setBrush(kInk);
        p.drawPolygon(outline);
    };
}

struct TGlyphSpec {
    QSize Size;
    QColor Background;
    TDraw Draw;
};

const QHash<QString, TGlyphSpec>& Specs() {
    static const QHash<QString, TGlyphSpec> specs = [] {
        QHash<QString, TGlyphSpec> s;
        const bool states[4][2] = {{true, true}, {false, true}, {true, false}, {false, false}};
        for (int i = 0; i < 4; ++i) {
            const auto [on, enabled] = std::pair(states[i][0], states[i][1]);
            s.insert(QString("VZGCHK0%1").arg(i + 1), {QSize(20, 20), kKey, CheckBox(on, enabled, false)});
            s.insert(QString("VZGCHK0%1").arg(i + 5), {QSize(16, 16), kKey, CheckBox(on, enabled, true)});
            s.insert(QString("VZGRAD0%1").arg(i + 1), {QSize(16, 16), kKey, Radio(on, enabled, false)});
            s.insert(QString("VZGRAD0%1").arg(i + 5), {QSize(16, 16), kKey, Radio(on, enabled, true)});
        }
        s.insert("VZGLEAFOPEN", {QSize(16, 16), kKey, Leaf(true)});
        s.insert("VZGLEAFCLOSE", {QSize(16, 16), kKey, Leaf(false)});
        s.insert("XPNODEO", {QSize(9, 9), kKey, NodeBox(true)});
        s.insert("XPNODEC", {QSize(9, 9), kKey, NodeBox(false)});
        s.insert("VZGFILT", {QSize(16, 16), kKey, Funnel()});
        s.insert("VzgSpinUp", {QSize(7, 4), kKey, SpinArrow(true)});
        s.insert("VzgSpinDown", {QSize(7, 4), kKey, SpinArrow(false)});
        s.insert("INTLI1", {QSize(32, 32), Qt::white, PanMark(true, true)});
        s.insert("INTLI2", {QSize(32, 32), Qt::white, PanMark(true, false)});
        s.insert("INTLI3", {QSize(32, 32), Qt::white, PanMark(false, true)});
        return s;
    }();
    return specs;
}

} // namespace

const TBitmap& GlyphBitmap(const QString& name) {
    static QHash<QString, TBitmap> made;
    static const TBitmap empty;
    auto found = made.find(name);
    if (found != made.end()) return *found;
    auto spec = Specs().find(name);
    if (spec == Specs().end()) return empty;
    return *made.insert(name, Make(spec->Size, spec->Background, spec->Draw));
}

QStringList GlyphNames() {
    QStringList names = Specs().keys();
    names.sort();
    return names;
}

QCursor GlyphCursor(int id) {
    TDraw draw;
    switch (id) {
    case 8000:
        draw = PanMark(true, true);
        break;
    // Row selection: an arrow pointing right.
    case 8010:
        draw = Arrow({{4, 10}, {16, 10}, {16, 5}, {27, 15}, {16, 25}, {16, 20}, {4, 20}});
        break;
    // Column selection: an arrow pointing down.
    case 8011:
        draw = Arrow({{10, 4}, {20, 4}, {20, 16}, {25, 16}, {15, 27}, {5, 16}, {10, 16}});
        break;
    // Select all: an arrow pointing down and right.
    case 8012:
        draw = Arrow({{6, 4}, {24, 22}, {24, 12}, {27, 27}, {12, 24}, {22, 24}, {4, 6}});
        break;
    default:
        return QCursor(Qt::ArrowCursor);
    }
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    draw(painter, image.size());
    painter.end();
    return QCursor(QPixmap::fromImage(image), 15, 15);
}
