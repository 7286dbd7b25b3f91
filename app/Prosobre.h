#pragma once
// "Sobre": the About box: the tool's name and version, and what it does and does not do.

#include <QDialog>

class TFormSobre : public QDialog {
    Q_OBJECT
public:
    explicit TFormSobre(QWidget* parent = nullptr);
};
