#include "platform/ui/Glyphs.h"

#include <QHash>
#include <QPainter>
#include <functional>

namespace {

const QColor kKey(255, 0, 255);
const QColor kInk(0, 0, 0);

using TDraw = std::function<void(QPainter&, QSize)>;

TBitmap Make(QSize size, const QColor& background, const TDraw& draw) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    QPainter painter(&image);
    draw(painter, size);
    return TBitmap(image);
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
