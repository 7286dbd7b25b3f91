#include "platform/ui/DataNavigator.h"

#include "platform/data/DataLink.h"
#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"
#include "platform/ui/UiBoundary.h"
#include "platform/ui/UiServices.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

using namespace platform::data;

class TDBNavigator::TNavDataLink : public TDataLink {
public:
    explicit TNavDataLink(TDBNavigator& navigator) : navigator_(navigator) { SetVisualControl(true); }

protected:
    void ActiveChanged() override { navigator_.ActiveChanged(); }
    void DataSetChanged() override { navigator_.DataChanged(); }
    void EditingChanged() override { navigator_.EditingChanged(); }

private:
    TDBNavigator& navigator_;
};

namespace {

constexpr int kGlyphSize = 16;

QPolygonF Triangle(qreal tipX, qreal baseX) {
    return QPolygonF{QPointF(tipX, 8), QPointF(baseX, 3), QPointF(baseX, 13)};
}

// The button's picture, drawn in black on a transparent ground (Qt greys it when disabled).
QIcon Glyph(TNavigateBtn button) {
    QPixmap pixmap(kGlyphSize, kGlyphSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    const QPen stroke(Qt::black, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    switch (button) {
    case TNavigateBtn::nbFirst:
        p.drawRect(QRectF(3, 3, 2, 10));
        p.drawPolygon(Triangle(6, 11));
        break;
    case TNavigateBtn::nbPrior:
        p.drawPolygon(Triangle(5, 10));
        break;
    case TNavigateBtn::nbNext:
        p.drawPolygon(Triangle(11, 6));
        break;
    case TNavigateBtn::nbLast:
        p.drawPolygon(Triangle(10, 5));
        p.drawRect(QRectF(11, 3, 2, 10));
        break;
    case TNavigateBtn::nbInsert:
        p.drawRect(QRectF(7, 3, 2, 10));
        p.drawRect(QRectF(3, 7, 10, 2));
        break;
    case TNavigateBtn::nbDelete:
        p.drawRect(QRectF(3, 7, 10, 2));
        break;
    case TNavigateBtn::nbEdit:
        p.drawPolygon(QPolygonF{QPointF(8, 4), QPointF(13, 11), QPointF(3, 11)});
        break;
    case TNavigateBtn::nbPost:
        p.setPen(stroke);
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF{QPointF(3.5, 8.5), QPointF(6.5, 11.5), QPointF(12.5, 4.5)});
        break;
    case TNavigateBtn::nbCancel:
        p.setPen(stroke);
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
    case TNavigateBtn::nbRefresh: {
        p.setPen(QPen(Qt::black, 2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(3, 3, 10, 10), 100 * 16, 280 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawPolygon(QPolygonF{QPointF(7, 0.5), QPointF(11, 3.5), QPointF(7, 6.5)});
        break;
    }
    }
    return QIcon(pixmap);
}

} // namespace

TDBNavigator::TDBNavigator(QWidget* parent) : QWidget(parent), link_(std::make_unique<TNavDataLink>(*this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        const auto kind = static_cast<TNavigateBtn>(i);
        auto* button = new QToolButton(this);
        button->setIcon(Glyph(kind));
        button->setIconSize(QSize(kGlyphSize, kGlyphSize));
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        button->setAutoRepeat(kind == TNavigateBtn::nbPrior || kind == TNavigateBtn::nbNext);
        QObject::connect(button, &QToolButton::clicked, this,
                         [this, kind] { GuardUi([&] { BtnClick(kind); }); });
        row->addWidget(button);
        buttons_[i] = button;
    }
    ActiveChanged();
}

TDBNavigator::~TDBNavigator() = default;

TDataSource* TDBNavigator::DataSource() const {
    return link_->DataSource();
}

void TDBNavigator::SetDataSource(TDataSource* source) {
    link_->SetDataSource(source);
    ActiveChanged();
}

void TDBNavigator::SetVisibleButtons(TNavButtonSet buttons) {
    visible_ = buttons;
    for (std::size_t i = 0; i < buttons_.size(); ++i)
        buttons_[i]->setVisible(buttons.Contains(static_cast<TNavigateBtn>(i)));
}

QSize TDBNavigator::sizeHint() const {
    int shown = 0;
    for (std::size_t i = 0; i < buttons_.size(); ++i)
        shown += visible_.Contains(static_cast<TNavigateBtn>(i));
    return QSize(24 * std::max(shown, 1), 25);
}

void TDBNavigator::BtnClick(TNavigateBtn button) {
    TDataSource* source = DataSource();
    if (source != nullptr && source->State() != dsInactive) {
        if (BeforeAction) BeforeAction(this, button);
        // The dataset's action of each button, in the order of TNavigateBtn.
        using TAction = void (TDataSet::*)();
        static constexpr TAction actions[] = {
            &TDataSet::First,  &TDataSet::Prior, &TDataSet::Next, &TDataSet::Last,   &TDataSet::Insert,
            &TDataSet::Delete, &TDataSet::Edit,  &TDataSet::Post, &TDataSet::Cancel, &TDataSet::Refresh};
        const bool confirmed = button != TNavigateBtn::nbDelete || !confirmDelete_ ||
                               ShowMessage(this, TMsgKind::Confirmation, SDeleteRecordQuestion,
                                           mbOK | mbCancel) != TMsgResult::Cancel;
        // Taken out of the array first: g++ 12's bounds check of `(object->*array[i])()` reads an
        // uninitialised temporary.
        const TAction action = actions[static_cast<std::size_t>(button)];
        if (confirmed) (source->DataSet()->*action)();
    }
    if (OnClick) OnClick(this, button);
}

void TDBNavigator::ActiveChanged() {
    if (!link_->Active()) {
        for (QToolButton* button : buttons_) button->setEnabled(false);
        return;
    }
    DataChanged();
    EditingChanged();
}

void TDBNavigator::DataChanged() {
    if (!link_->Active()) return;
    TDataSet& dataSet = *link_->DataSet();
    const bool up = !dataSet.Bof();
    const bool down = !dataSet.Eof();
    Enable(TNavigateBtn::nbFirst, up);
    Enable(TNavigateBtn::nbPrior, up);
    Enable(TNavigateBtn::nbNext, down);
    Enable(TNavigateBtn::nbLast, down);
    Enable(TNavigateBtn::nbDelete, dataSet.CanModify() && !(dataSet.Bof() && dataSet.Eof()));
}

void TDBNavigator::EditingChanged() {
    if (!link_->Active()) return;
    const bool canModify = link_->DataSet()->CanModify();
    const bool editing = link_->Editing();
    Enable(TNavigateBtn::nbInsert, canModify);
    Enable(TNavigateBtn::nbEdit, canModify && !editing);
    Enable(TNavigateBtn::nbPost, canModify && editing);
    Enable(TNavigateBtn::nbCancel, canModify && editing);
    Enable(TNavigateBtn::nbRefresh, canModify);
}
