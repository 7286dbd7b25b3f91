#include "desktop/qvxStartButton.h"

TqvxStartButtonProperties::TqvxStartButtonProperties(QObject* owner) : TqvxComponent(owner) {}

void TqvxStartButtonProperties::ReadPlacement() {
    left_ = top_ = width_ = height_ = 0;
}

void TqvxStartButtonProperties::SetPlacement(int /*left*/, int /*top*/, int /*height*/, int /*width*/) {}

int TqvxStartButtonProperties::ButtonLeft() {
    ReadPlacement();
    return left_;
}

int TqvxStartButtonProperties::ButtonTop() {
    ReadPlacement();
    return top_;
}

int TqvxStartButtonProperties::ButtonWidth() {
    ReadPlacement();
    return width_;
}

int TqvxStartButtonProperties::ButtonHeight() {
    ReadPlacement();
    return height_;
}

void TqvxStartButtonProperties::SetButtonLeft(int value) {
    SetPlacement(value, ButtonTop(), ButtonHeight(), ButtonWidth());
}

void TqvxStartButtonProperties::SetButtonTop(int value) {
    SetPlacement(ButtonLeft(), value, ButtonHeight(), ButtonWidth());
}

void TqvxStartButtonProperties::SetButtonWidth(int value) {
    SetPlacement(ButtonLeft(), ButtonTop(), ButtonHeight(), value);
}

void TqvxStartButtonProperties::SetButtonHeight(int value) {
    SetPlacement(ButtonLeft(), ButtonTop(), value, ButtonWidth());
}
