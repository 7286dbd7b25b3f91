#pragma once
// "Nova programação": the choice of the model a new programming starts from (the models that have
// a default programming file).

#include <QDialog>

#include <cstdint>
#include <optional>

class QListWidget;

class TFormNovaProgramacao : public QDialog {
    Q_OBJECT
public:
    explicit TFormNovaProgramacao(QWidget* parent = nullptr);

    QListWidget* ListaModelos; // data: the model code

    // The model chosen (the current item).
    std::optional<std::uint8_t> Model() const;
};
