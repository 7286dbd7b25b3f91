// A small scratch table for the data-aware control tests: extensions keyed by RAMAL with a
// category flag, a sub-route, a dialling type and a name, over the vector test dataset, shown
// through a data source to controls placed on a window.
#pragma once

#include "platform/data/DataSource.h"
#include "support/VectorDataSet.h"

#include <QApplication>
#include <QLineEdit>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace datacontrols_test {

using namespace platform::data;
using platform::data::test::TVectorDataSet;

struct TExtension {
    int ramal;
    const char* catd1;
    const char* srotad;
    const char* tipovia;
    const char* nome;
};

inline const TExtension kExtensions[] = {
    {21, "1", " ", "MF", "Recepção"},
    {22, "0", "2", "DC", "Almoxarifado"},
    {23, "1", "9", "mf", "Diretoria"},
};

class DataControlsTest : public testing::Test {
protected:
    DataControlsTest() {
        dataSet_ = std::make_unique<TVectorDataSet>(
            std::vector<platform::data::test::TColumn>{{"RAMAL", ftInteger},
                                                       {"CATD1", ftString, 1},
                                                       {"SROTAD", ftString, 4},
                                                       {"TIPOVIA", ftString, 2},
                                                       {"NOME", ftString, 20}});
        dataSet_->Open();
        // Names are Windows-1252 bytes, as the table keeps them.
        for (const TExtension& e : kExtensions)
            dataSet_->AppendRecord({e.ramal, e.catd1, e.srotad, e.tipovia, Latin1(e.nome)});
        dataSet_->First();
        source_.SetDataSet(dataSet_.get());
        window_.resize(400, 300);
        other_ = new QLineEdit(&window_);
        other_->setGeometry(0, 270, 100, 24);
    }
    ~DataControlsTest() override {
        source_.SetDataSet(nullptr);
        dataSet_->Close();
    }

    static std::string Latin1(const char* utf8) { return QString::fromUtf8(utf8).toLatin1().toStdString(); }

    // Shows the window so that the focus can move between its controls.
    void ShowWindow() {
        window_.show();
        QApplication::setActiveWindow(&window_);
    }
    template <typename TControl> TControl* Bind(TControl* control, const char* field) {
        control->SetDataSource(&source_);
        control->SetDataField(field);
        return control;
    }
    std::string Value(const char* field) { return dataSet_->FieldByName(field).AsString(); }
    int Ramal() { return dataSet_->FieldByName("RAMAL").AsInteger(); }
    // Goes to the record of the extension.
    void GoTo(int ramal) {
        dataSet_->First();
        while (!dataSet_->Eof() && Ramal() != ramal) dataSet_->Next();
        ASSERT_EQ(Ramal(), ramal);
    }

    std::unique_ptr<TVectorDataSet> dataSet_;
    TDataSource source_;
    QWidget window_;
    QLineEdit* other_ = nullptr;
};

} // namespace datacontrols_test
