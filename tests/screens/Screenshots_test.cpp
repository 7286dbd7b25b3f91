// The pictures of the screens in docs/screens.md, each screen shown active on a programming an installer
// might have made, and whole; with CENTRPRG_SCREENSHOTS naming a folder they are saved there:
//   CENTRPRG_SCREENSHOTS=docs/img build/ci/tests/screens/screens_test --gtest_filter='Screenshots.*'

#include "ScreenFixture.h"
#include "core/ExtensionCodes.h"
#include "core/Language.h"
#include "core/TempTable.h"
#include "db/components/VORSAMTable.h"
#include "platform/os/Cp1252.h"
#include "screens/Agcolet.h"
#include "screens/Agindiv.h"
#include "screens/Atdport.h"
#include "screens/Atendfax.h"
#include "screens/Atuaauto.h"
#include "screens/Calendar.h"
#include "screens/Cancprog.h"
#include "screens/Central.h"
#include "screens/Chefsecr.h"
#include "screens/Codpart.h"
#include "screens/ConfVia.h"
#include "screens/Confsys.h"
#include "screens/Copconf.h"
#include "screens/Copramal.h"
#include "screens/Desperta.h"
#include "screens/Emergenc.h"
#include "screens/Feriados.h"
#include "screens/Gruporam.h"
#include "screens/Ncat.h"
#include "screens/Notautom.h"
#include "screens/Padrao.h"
#include "screens/PlanoNum.h"
#include "screens/PrefixTrie.h"
#include "screens/Prefixos.h"
#include "screens/Progdive.h"
#include "screens/Progind.h"
#include "screens/Programa.h"
#include "screens/ScratchTables.h"
#include "screens/Senhager.h"
#include "screens/Teclasti.h"
#include "screens/Temporiz.h"
#include "screens/Todpref.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <cstdlib>

namespace {

class Screenshots : public ScreenFixture {
protected:
    void SetUp() override {
        ScreenFixture::SetUp();
        if (const char* folder = std::getenv("CENTRPRG_SCREENSHOTS")) target = folder;
        LoadModel(11);
    }
    // Every control shown must lie inside the control it is placed on; the screen shows as its picture.
    void Save(QWidget& screen, const char* name) {
        SCOPED_TRACE(name);
        ShowActive(screen);
        for (const QWidget* child : screen.findChildren<QWidget*>())
            EXPECT_TRUE(!child->isVisible() || child->isWindow() ||
                        child->parentWidget()->rect().contains(child->geometry()))
                << child->metaObject()->className() << " " << child->objectName().toStdString();
        const QImage shown = screen.grab().toImage().convertToFormat(QImage::Format_RGB32); // opaque
        const QByteArray png = PngBytes(shown);
        const QString picture = QString::fromStdString(
            (target.empty() ? CENTRPRG_SOURCE_DIR "/docs/img" : target) + "/" + name + ".png");
        QFile file(picture);
        if (target.empty()) {
            EXPECT_TRUE(shown == QImage(picture).convertToFormat(shown.format()))
                << picture.toStdString()
                << " shows the screen otherwise: make the pictures anew (see the top)";
            EXPECT_TRUE(file.open(QIODevice::ReadOnly) && file.readAll() == png)
                << picture.toStdString() << " is not what the pictures are made of now (see the top)";
        } else {
            EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(png) == png.size())
                << picture.toStdString();
        }
        screen.hide();
    }
    // The picture as it is written: an RGB PNG, the same bytes for the same pixels.
    static QByteArray PngBytes(const QImage& image) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        EXPECT_TRUE(buffer.open(QIODevice::WriteOnly) && QImageWriter(&buffer, "png").write(image));
        return bytes;
    }
    std::string target;
};

TEST_F(Screenshots, EveryScreen) {
    TFormCalendar calendar;
    calendar.show();
    calendar.CompButtonClick();
    Save(calendar, "Calendar");
    TFormSenha senha;
    Save(senha, "Senhager");

    ProgrammingImage[1296] = 0x07;
    ProgrammingImage[1297] = 8;
    ProgrammingImage[1298] = 30;
    ProgrammingImage.SetPacked(1299, PackPhoneNumber("4830001111"));
    TFormCentral central;
    Save(central, "Central");

    LoadSerialPortSetting("/nonexistent"); // no serial device, whatever the machine has
    TFormConfSys confSys;
    Save(confSys, "Confsys");

    TFormTempor tempor;
    Save(tempor, "Temporiz");
    TFormProgDiv progDiv;
    Save(progDiv, "Progdive");

    ProgrammingImage.SetPacked(2499, PackPhoneNumber("190"));
    ProgrammingImage[2515] = 0x76;
    ProgrammingImage[2481] = 3;
    ProgrammingImage[2498] = 4;
    BuildExtensionList(false);
    TFormEmergenc emergenc;
    Save(emergenc, "Emergenc");

    TFormAtdPort atdPort;
    Save(atdPort, "Atdport");
    TFormAtendFAX atendFax;
    atendFax.PreencheCombo();
    Save(atendFax, "Atendfax");

    const std::uint8_t holidays[] = {1, 1, 21, 4, 1, 5, 7, 9, 12, 10, 2, 11, 15, 11, 25, 12};
    for (std::size_t i = 0; i < sizeof holidays; ++i) ProgrammingHeader[652 + i] = holidays[i];
    ProgrammingHeader[684] = 12;
    TFormFeria feria;
    Save(feria, "Feriados");

    ProgrammingImage[4130] = 2;
    ProgrammingImage[4131] = 5;
    TFormTeclasTI teclas;
    for (const bool keyList : {false, true}) {
        teclas.show();
        QApplication::setActiveWindow(&teclas);
        teclas.Button30Click();
        teclas.ButtonT[7]->setFocus();
        QApplication::processEvents();
        if (keyList) teclas.Button28Click();
        Save(teclas, keyList ? "Teclasti-lista" : "Teclasti");
    }

    TFormPadrao padrao;
    padrao.RadioButton1->setText(TrText("A todas as posições físicas"));
    padrao.RadioButton2->setText(TrText("A posição física em edição"));
    Save(padrao, "Padrao");

    ProgrammingImage.SetU16(832 + 2 * 14, 68);
    TFormCopRamal copRamal;
    copRamal.show();
    for (int panel : {3, 5, 6}) copRamal.PanelMouseDown(panel);
    Save(copRamal, "Copramal");
}

// The screens that list their items on the grid, with a programming an installer might have made.
TEST_F(Screenshots, GridScreens) {
    const char* names[] = {"Recepção", "Diretoria", "Financeiro", "Almoxarifado", "Portaria"};
    for (int p = 0; p < 5; ++p) ProgrammingImage.SetShortString(876 + 21 * p, Utf8ToCp1252(names[p]));
    ProgrammingImage.SetU16(832 + 2 * 7, 68);
    ProgrammingImage.SetShortString(876 + 21 * 7, "Busca pessoa");
    TFormPlanoNum plano;
    Save(plano, "PlanoNum");

    const char* dial[][3] = {{"0", "01130004000", "Pizzaria Bella"},
                             {"1", "4832221111", "Táxi Central"},
                             {"0", "08007071234", "Farmácia São João"}};
    for (int i = 0; i < 3; ++i) {
        PackedNumber number = PackPhoneNumber(dial[i][1]);
        number[0] = i == 1 ? 0x80 : 0;
        number[1] |= static_cast<std::uint8_t>(std::stoi(dial[i][0]) << 5);
        ProgrammingImage.SetPacked(1315 + 16 * i, number);
        ProgrammingImage.SetShortString(1795 + 21 * i, Utf8ToCp1252(dial[i][2]));
    }
    TFormAgColet agColet;
    Save(agColet, "Agcolet");
    ProgrammingImage.SetPacked(3810 + 16 * 2, PackPhoneNumber("4833334444"));
    TFormAgIndiv agIndiv;
    Save(agIndiv, "Agindiv");

    ProgrammingImage[2606] = 0;
    ProgrammingImage[2607] = 3;
    ProgrammingImage.SetShortString(2646, "Diretoria");
    TFormCodPart codPart;
    Save(codPart, "Codpart");

    ProgrammingImage[3490] = 30;
    ProgrammingImage[3491] = 0x87;
    TFormDesperta desperta;
    Save(desperta, "Desperta");

    const std::uint8_t night[] = {7, 30, 19, 0};
    for (int i = 0; i < 4; ++i) ProgrammingHeader[686 + i] = night[i];
    ProgrammingHeader[830] = 0x20 | 0x08;
    ProgrammingHeader[734] = 8;
    ProgrammingHeader[735] = 0;
    ProgrammingHeader[736] = 18;
    ProgrammingHeader[737] = 15;
    TFormNotAuto notAuto;
    Save(notAuto, "Notautom");
    TFormAtuaAuto atuaAuto;
    Save(atuaAuto, "Atuaauto");
}

// The trunk screen on its second trunk, as the trunk menu command shows it, and its copy selector.
TEST_F(Screenshots, Trunks) {
    ProgrammingHeader[198 + 8 + 7] |= 0x20; // trunk 2 identifies callers
    BuildTempTable(2, AllTempTableItems);
    TFormConfigVias screen;
    PrepareTrunkScreen(screen, TabTemp(), AllTempTableItems);
    screen.show();
    screen.EditVia->setText("2");
    screen.EnterVia();
    Save(screen, "ConfVia");
    screen.done(0);

    TFormCopiaVia copy;
    copy.show();
    copy.PanelMouseDown(3);
    Save(copy, "Copconf");
}

// The screens over the scratch table, built as the main window builds it.
TEST_F(Screenshots, ScratchTableScreens) {
    OpenLanguageFile(std::string(CENTRPRG_SOURCE_DIR) + "/resources/CentrPrg.lng");
    std::vector<TPrefixRow> rows;
    for (char digit = '0'; digit <= '9'; ++digit)
        rows.push_back({std::string(1, digit), digit == '0' ? '4' : '1'});
    for (const char* prefix : {"40", "41", "42", "43", "44", "45", "46", "47", "49"})
        rows.push_back({prefix, '3'});
    for (const char* prefix : {"480", "481", "482", "483", "484", "485", "486", "487", "488", "489"})
        rows.push_back({prefix, prefix[2] == '0' ? '5' : '2'});
    std::erase_if(rows, [](const TPrefixRow& row) { return row.Prefix == "4"; });
    StorePrefixTrie(rows, "048", ModelCode, ProgrammingHeader);
    BuildTempTable(7, 255);
    TFormPref pref;
    pref.show();
    pref.ListBox1->setCurrentRow(12);
    Save(pref, "Prefixos");
    pref.reject();
    TFormTodPref todPref;
    todPref.CheckCode('3');
    Save(todPref, "Todpref");

    ProgrammingImage[3570] = 1;
    ProgrammingImage[3570 + 20] = 2;
    ProgrammingImage[3570 + 40] = 106;
    ProgrammingImage[3570 + 120] = 5;
    ProgrammingImage[3570 + 140] = 2;
    ProgrammingImage[3570 + 160] = 30;
    ProgrammingImage[3570 + 180] = 0x37;
    BuildTempTable(8, 255);
    TFormProgInd progInd;
    Save(progInd, "Progind");
    progInd.reject();

    // The group screens, each shown on the table the main window builds for it.
    const std::uint8_t group1[] = {0, 1, 2, 3, 0xBB, 0xBB, 0xBB, 0xBB};
    std::ranges::copy(group1, ProgrammingImage.Span(2425, 8).begin());
    ProgrammingImage[2477] = 4;
    BuildTempTable(5, AllTempTableItems);
    TFormGrupoRam grupoRam;
    Save(grupoRam, "Gruporam");

    ProgrammingHeader[274] = 0;
    ProgrammingHeader[282] = 5;
    BuildTempTable(6, AllTempTableItems);
    TFormChefeSecr chefeSecr;
    BuildExtensionList(false);
    chefeSecr.PreencheCombosChefeSecr(1);
    Save(chefeSecr, "Chefsecr");

    ProgrammingHeader[254] = 0x0B;
    BuildTempTable(4, AllTempTableItems);
    TFormCancProg cancProg;
    Save(cancProg, "Cancprog");
    TabTemp().Close();
    DeleteTempTable();
}

// The categories screens on the scratch table the main window builds for them.
TEST_F(Screenshots, CategoryScreens) {
    ProgrammingHeader[18 + 1] = 0x3F;
    ProgrammingHeader[38 + 1] = 0x06;
    ProgrammingHeader[118 + 2] = 0x02;
    ProgrammingHeader[158 + 2] = 1;
    BuildTempTable(1, AllTempTableItems);
    TMultPageDlg categories;
    categories.SetTable(&TabTemp());
    categories.MontaTelaCategorias();
    categories.MaskEdit1->setText("21");
    categories.EnterRamal();
    Save(categories, "Ncat");
    categories.ButtonCatClick();
    Save(categories, "Ncat-noturno");
    categories.ButtonCancelaClick();

    ProgrammingHeader[254 + 1] = 0x21;
    EditedPosition = 1;
    BuildTempTable(1, 2);
    TFormProgRama extension;
    extension.SetTable(&TabTemp());
    extension.setWindowTitle("Categoria e programações de ramal");
    extension.PanelRamal->setText("Ramal 21");
    extension.PanelPosFis->setText("Posição física 01");
    Save(extension, "Programa");
    extension.show();
    extension.ButtonCatClick();
    extension.ButtonCatClick();
    Save(extension, "Programa-cancelamentos");
    extension.ButtonCancelaClick();
}

} // namespace
