// Extraction of the texts passed to the translation routines, and the completeness of the
// shipped language file.

#include "core/Language.h"
#include "platform/os/TestTempFolder.h"
#include "platform/os/Utf8.h"
#include "tools/SourceTexts.h"

#include <gtest/gtest.h>

namespace {

struct TExtractCase {
    const char* name;
    const char* source;
    std::vector<std::string> texts;
};

class Extraction : public testing::TestWithParam<TExtractCase> {};

TEST_P(Extraction, FindsTheLiteralArgumentsOnly) {
    std::vector<std::string> found;
    for (const TSourceText& text : ExtractTexts(GetParam().source, "x.cpp")) found.push_back(text.text);
    EXPECT_EQ(found, GetParam().texts);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Extraction,
    testing::Values(
        TExtractCase{"Calls",
                     R"(a = TranslateText("Erro"); b = LookupLabel( "O&k" ); c = LngText("Rota");)",
                     {"Erro", "O&k", "Rota"}},
        TExtractCase{"Concatenated", "TranslateText(\"Ramal \"\n  \"não existe.\")", {"Ramal não existe."}},
        TExtractCase{
            "Escapes",
            R"(TranslateText("deve iniciar com \"2\" ou com \"3\"") LookupLabel(u8"A\tB\x41\101\\"))",
            {"deve iniciar com \"2\" ou com \"3\"", "A\tBAA\\"}},
        TExtractCase{
            "NotLiterals", R"(TranslateText(text); TranslateText("Ramal" + s); TranslateText(f("x"));)", {}},
        TExtractCase{
            "Comments", "// TranslateText(\"a\")\n/* LookupLabel(\"b\") */ TranslateText(/*c*/\"d\")", {"d"}},
        TExtractCase{
            "OtherLiterals",
            R"src(s = "TranslateText(\"a\")"; c = '"'; r = R"x(LookupLabel("b"))x"; LngText("e"))src",
            {"e"}},
        TExtractCase{
            "WholeWords", R"(MyTranslateText("a"); TranslateTextNow("b"); obj.TranslateText("c"))", {"c"}},
        TExtractCase{"Declaration", "constexpr const char* LngText(const char* text) { return text; }", {}}),
    [](const testing::TestParamInfo<TExtractCase>& info) { return std::string(info.param.name); });

TEST(ExtractionLines, NameTheLineOfTheText) {
    const auto texts = ExtractTexts("x\n/* a\nb */\nTranslateText(\n\"Erro\")\n", "file.cpp");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].file, "file.cpp");
    EXPECT_EQ(texts[0].line, 5);
}

TEST(MissingTextsTest, AreLookedUpAsTheToolLooksThemUp) {
    TTestTempFolder folder;
    folder.Write("a.lng",
                 "[Labels]\nRamal=Ramal\nConfiguração das vias=Configuração das vias\n[Ausentes]\nVia=Via\n");
    const std::vector<TSourceText> texts = {{"RAMAL", "a.cpp", 1}, {"Configuração das vias ", "a.cpp", 2},
                                            {"Via", "a.cpp", 3},   {"Rota", "b.cpp", 4},
                                            {"Rota", "c.cpp", 9},  {"a=b", "c.cpp", 10},
                                            {"", "c.cpp", 11}};
    std::vector<std::string> missing;
    for (const TSourceText& text : MissingTexts(texts, folder.Path("a.lng"))) missing.push_back(text.text);
    EXPECT_EQ(missing, (std::vector<std::string>{"Rota", "a=b"}));
    EXPECT_EQ(TranslateText("Ramal"), "Ramal"); // the language file is closed again
}

TEST(LanguageFile, HoldsEveryTextOfTheSources) {
    const std::string root = CENTRPRG_SOURCE_DIR;
    const auto texts = ExtractTextsFromTree(root);
    EXPECT_GT(texts.size(), 5u);
    for (const TSourceText& text : MissingTexts(texts, root + "/resources/CentrPrg.lng"))
        ADD_FAILURE() << "resources/CentrPrg.lng lacks \"" << text.text << "\" (" << text.file << ":"
                      << text.line << ")";
}

// The shipped file holds every text of the sources under its own key: a text found only through
// another text's case (the report's "CATEGORIA DOS RAMAIS" through "Categoria dos ramais") would be
// shown in that other text's case. Translations that change more than the case are the file's own.
TEST(LanguageFile, HoldsEveryTextUnderItsOwnKey) {
    const std::string root = CENTRPRG_SOURCE_DIR;
    OpenLanguageFile(root + "/resources/CentrPrg.lng");
    for (const TSourceText& text : ExtractTextsFromTree(root)) {
        const std::string shown = LookupLabel(text.text);
        if (shown != text.text && FoldCase(shown) == FoldCase(text.text))
            ADD_FAILURE() << "\"" << text.text << "\" is shown as \"" << shown << "\" (" << text.file << ":"
                          << text.line << ")";
    }
    CloseLanguageFile();
}

} // namespace
