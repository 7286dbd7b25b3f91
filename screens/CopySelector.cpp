#include "screens/CopySelector.h"

#include "platform/ui/UiServices.h"
#include "screens/ScreenConventions.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

TSelectionTile::TSelectionTile(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    SetLook(false, clBtnFace);
}

void TSelectionTile::SetCaption(const QString& caption) {
    caption_ = caption;
    update();
}

void TSelectionTile::SetLook(bool lowered, TColor colour) {
    setFrameShadow(lowered ? QFrame::Sunken : QFrame::Raised);
    colour_ = colour;
    QPalette look = palette();
    look.setColor(QPalette::Window, ToQColor(colour));
    setPalette(look);
}

void TSelectionTile::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit MouseDown();
    QFrame::mousePressEvent(event);
}

void TSelectionTile::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(contentsRect(), Qt::AlignCenter, caption_);
}

namespace {
QPushButton* NewButton(QWidget* parent, const char* name) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    return button;
}
} // namespace

TCopySelector::TCopySelector(QWidget* parent)
    : QDialog(parent), GroupBox1(new QGroupBox(this)), OkButton(NewButton(this, "OkButton")),
      CancButton(NewButton(this, "CancButton")) {
    GroupBox1->setObjectName("GroupBox1");
    OkButton->setDefault(true);
    connect(OkButton, &QPushButton::clicked, this, [this] { OkButtonClick(); });
    connect(CancButton, &QPushButton::clicked, this, &TCopySelector::CancButtonClick);
}

void TCopySelector::LayOut(std::span<TSelectionTile*> panels, int perRow, QPushButton* leftButton,
                           int first) {
    auto* tiles = new QGridLayout(GroupBox1);
    for (int i = 0; i < static_cast<int>(panels.size()); ++i) {
        panels[i] = new TSelectionTile(GroupBox1);
        panels[i]->setObjectName(QStringLiteral("Panel%1").arg(i + first));
        tiles->addWidget(panels[i], i / perRow, i % perRow);
        connect(panels[i], &TSelectionTile::MouseDown, this, [this, i, first] { PanelMouseDown(i + first); });
    }
    auto* buttons = new QHBoxLayout;
    if (leftButton) buttons->addWidget(leftButton);
    buttons->addStretch();
    buttons->addWidget(OkButton);
    buttons->addWidget(CancButton);
    auto* root = new QVBoxLayout(this);
    root->addWidget(GroupBox1);
    root->addLayout(buttons);
}

void TCopySelector::CaptionFrame(const char* title, const char* group) {
    setWindowTitle(TrText(title));
    GroupBox1->setTitle(TrText(group));
    OkButton->setText(TrLabel("O&k"));
    CancButton->setText(TrLabel("&Cancela"));
}

void TCopySelector::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FillKeepingCentre(*this, [this] { FormShow(); });
}
