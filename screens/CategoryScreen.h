#pragma once
// What the categories screen (Ncat) and the one-extension screen (Programa) share: the pages
// "Diurno" and "Noturno" of data-aware check boxes and sub-route lists bound to the categories
// scratch table (code 1, CategoryRecord.h), the three extension attributes below the pages, the
// page button ButtonCat, and the rules of the model.
//
// Controls of a page and their fields (x = D for the day, N for the night):
//   group "Acesso 1": "Recebe externa", "Acesso Local", "Acesso DDD", "Acesso DDI", "Acesso
//     Regional", "Acesso Interno", "Acesso a agenda" = CATx1 .. CATx7 (DBCatx1 .. DBCatx6, the
//     agenda DBFacG2 by day and DBCheckBox7 by night);
//   group "Acesso 2": "Rota 1" .. "Rota 6", "Rota 0" = ROTx1 .. ROTx6, ROTx0 (DBCheckBox1 .. 6
//     and DBCheckBox8 by day, DBRotaN1 .. 6 and DBRotaN0 by night);
//   group "Facilidades": "Atuação externa 2", "Atuação externa 1", "Proteção para intercalação",
//     "Gera intercalação", "Acesso porteiro 2", "Acesso porteiro 1" = FACx1 .. FACx4, FACx6,
//     FACx7 (DBFacx1 .. DBFacx6);
//   "Nº da &Sub-rota" = SRotax (DBComboD, DBComboN: " ", then "1" .. the trunk count).
// Attributes (day and night alike): "Ramal com proteção" CAR1 (DBFacG1), "Acesso ao correio"
// ("Acesso a secretária" on model 9) CAR3 (DBFacG3), "Ramal internet" CAR4 (DBFACG4).
//
// Model rules: "Atuação externa 2" and "Acesso porteiro 2" are disabled on models 8, 9 and 13;
// "Ramal com proteção" is enabled on models 9..13 only; "Ramal internet" is shown on model 9 only;
// "Rota 3" and "Rota 4" need 3 trunks or more, "Rota 5" and "Rota 6" 5 or more.
//
// The screen closes its table whenever it closes (OK, Cancel, Escape or the window's close box)
// and lets go of it: the main window rebuilds the same table with other fields for other screens.

#include "platform/data/DataSource.h"
#include "screens/ScreenConventions.h"
#include "screens/TableRows.h"

#include <array>

class QBoxLayout;
class QGroupBox;
class QLabel;
class QTabWidget;
class QVBoxLayout;
class TDBCheckBox;
class TDBComboBox;

namespace platform::data {
class TDataSet;
}

struct TCategoryPage {
    QWidget* Page = nullptr;
    QGroupBox* Acesso1 = nullptr;
    std::array<TDBCheckBox*, 7> Cat{}; // CATx1 .. CATx7
    QGroupBox* Acesso2 = nullptr;
    std::array<TDBCheckBox*, 7> Rota{}; // Rota[r]: ROTxr, r = 0 .. 6
    QGroupBox* Facilidades = nullptr;
    std::array<TDBCheckBox*, 6> Fac{}; // FACx1 .. FACx4, FACx6, FACx7
    QLabel* SubRouteLabel = nullptr;
    TDBComboBox* Combo = nullptr; // SRotax
};

class TCategoryScreen : public TScreenForm {
    Q_OBJECT
public:
    // The scratch table the controls edit (the main window's table, built for the screen).
    void SetTable(platform::data::TDataSet* table) { CatRamSource.SetDataSet(table); }
    platform::data::TDataSet* Table() const { return CatRamSource.DataSet(); }

    // Enables the route boxes of the trunk count: "Rota 0" .. "Rota 2" always, "Rota 3" and
    // "Rota 4" from 3 trunks, "Rota 5" and "Rota 6" from 5.
    void HabilitaRotas(int trunks);
    // The page has changed: ButtonCat names the page it leads to.
    virtual void TabbedNotebook1Change() = 0;

    platform::data::TDataSource CatRamSource;
    QTabWidget* const TabbedNotebook1;
    TCategoryPage Day, Night;
    QGroupBox* const Atributos; // no caption
    TDBCheckBox* const DBFacG1; // "Ramal com proteção"
    TDBCheckBox* const DBFacG3; // "Acesso ao correio" / "Acesso a secretária"
    TDBCheckBox* const DBFACG4; // "Ramal internet"
    QPushButton* const ButtonCat;

    static constexpr int DayPage = 0, NightPage = 1;

protected:
    explicit TCategoryScreen(QWidget* parent);
    // Places the screen's own controls above the pages.
    void SetTop(QLayout* top);
    // Places a further button beside ButtonCat, at the left of the button row.
    void AddLeftButton(QPushButton* button);

    // Translates the captions of the pages, the attributes and the buttons; shows the day page.
    void CaptionCategoryControls();
    // The model rules above, for the programming in memory.
    void ApplyModelRules();
    // Opens the table when it is closed.
    void OpenTable();
    // The working copy of the OK: the record in edit is posted first.
    void PostRecord();
    // Shows the page of a failed check (1..3 the day, 4..6 the night).
    void ShowErrorPage(int error);
    void ShowHelpContext(int context);

    void done(int result) override;

private:
    TCategoryPage MakePage(char half);

    QVBoxLayout* const content_;
    QBoxLayout* buttonRow_ = nullptr;
};
