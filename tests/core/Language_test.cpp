// The language lookup through "CentrPrg.lng".

#include "ProgrammingFixture.h"
#include "core/Language.h"
#include "platform/os/OsError.h"

namespace {

class LanguageTest : public ProgrammingFixture {
protected:
    void SetUp() override {
        ProgrammingFixture::SetUp();
        folder.Write("CentrPrg.lng", "[Controle]\n"
                                     "LngOrigem=pt-BR\n"
                                     "[Labels]\n"
                                     "O&k=O&k\n"
                                     "&Cancela=&Cancelar\n"
                                     "Ramal=Extensão\n"
                                     "RAMAL=EXTENSÃO\n"
                                     "Configuração das vias=Trunk setup\n"
                                     "Número do &Ramal=Número da e&xtensão\n"
                                     "DTMF/MFP=DTMF ou MFP\n"
                                     "Sem e comercial=Sem e comercial\n"
                                     "[Ausentes]\n"
                                     "Ramal=never used\n"
                                     "Só ausente=Achado em ausentes\n");
        OpenLanguageFile(folder.Path("CentrPrg.lng"));
    }
    void TearDown() override {
        CloseLanguageFile();
        ProgrammingFixture::TearDown();
    }
};

struct TLookupCase {
    const char* text;
    const char* translated; // TranslateText
    const char* label;      // LookupLabel
};

class Lookups : public LanguageTest, public testing::WithParamInterface<TLookupCase> {};

TEST_P(Lookups, TranslateAndKeepOrDropTheFirstAmpersand) {
    EXPECT_EQ(TranslateText(GetParam().text), GetParam().translated);
    EXPECT_EQ(LookupLabel(GetParam().text), GetParam().label);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Lookups,
    testing::Values(TLookupCase{"O&k", "Ok", "O&k"}, TLookupCase{"&Cancela", "Cancelar", "&Cancelar"},
                    TLookupCase{"Ramal", "Extensão", "Extensão"},
                    TLookupCase{"RAMAL", "EXTENSÃO", "EXTENSÃO"},
                    TLookupCase{"ramal", "Extensão", "Extensão"},
                    TLookupCase{"Configuração das vias ", "Trunk setup ", "Trunk setup "},
                    TLookupCase{"  Ramal", "  Extensão", "  Extensão"},
                    TLookupCase{"Número do &Ramal", "Número da extensão", "Número da e&xtensão"},
                    TLookupCase{"DTMF/MFP", "DTMF ou MFP", "DTMF ou MFP"},
                    TLookupCase{"Só ausente", "Achado em ausentes", "Achado em ausentes"},
                    TLookupCase{"Texto &que falta", "Texto &que falta", "Texto &que falta"},
                    TLookupCase{"", "", ""}, TLookupCase{"   ", "   ", "   "}));

TEST_F(LanguageTest, TheOriginLanguageAndTheKnownTextsAreReported) {
    EXPECT_EQ(LanguageOrigin(), "pt-BR");
    EXPECT_TRUE(HasTranslation("Só ausente"));
    EXPECT_FALSE(HasTranslation("Texto que falta"));
}

TEST_F(LanguageTest, WithoutALanguageFileEveryTextComesBackUnchanged) {
    CloseLanguageFile();
    EXPECT_EQ(TranslateText("O&k"), "O&k");
    EXPECT_EQ(LanguageOrigin(), "");
    OpenLanguageFile(folder.Path("missing.lng"));
    EXPECT_EQ(TranslateText("&Cancela"), "&Cancela");
}

TEST_F(LanguageTest, AnUnreadableFileIsReportedAndTheLoadedOneStays) {
    folder.Write("folder.lng/x", "");
    EXPECT_THROW(OpenLanguageFile(folder.Path("folder.lng")), EOsError);
    EXPECT_EQ(TranslateText("Ramal"), "Extensão");
}

TEST_F(LanguageTest, TheShippedFileIsUtf8PortugueseToPortuguese) {
    OpenLanguageFile(std::string(CENTRPRG_SOURCE_DIR) + "/resources/CentrPrg.lng");
    EXPECT_EQ(LanguageOrigin(), "pt-BR");
    EXPECT_EQ(TranslateText("Orvalista S/A - Programação de Talvenors"),
              "Orvalista S/A - Programação de Talvenors");
    EXPECT_EQ(LookupLabel("&Padrão"), "&Padrão");
    EXPECT_EQ(TranslateText("&Padrão"), "Padrão");
}

} // namespace
