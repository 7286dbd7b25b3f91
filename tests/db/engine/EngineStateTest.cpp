// The engine core's start-up state and its table of language names.
#include "db/engine/EngineState.h"
#include "db/engine/LanguageNames.h"
#include "db/lib/Collation.h"
#include "db/lib/EngineErrors.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <strings.h>

namespace vorsam {
namespace {

TEST(EngineStateTest, GetEngineBeforeStartRaisesNotInitializedWithAnEmptyContext) {
    ASSERT_FALSE(EngineInitialized());
    try {
        GetEngine();
        FAIL() << "no error";
    } catch (const EVORSAMEngineError& e) {
        EXPECT_EQ(e.ErrorCode, 0x2A06);
        EXPECT_STREQ(e.what(), "VORSAM Engine Error # 10758 The engine is not initialized");
        for (int item = 0; item <= 6; ++item) EXPECT_EQ(GetErrorContextItem(item), "") << item;
    }
}

TEST(EngineStateTest, GetEngineAfterStartReturnsTheCurrentSession) {
    auto* session = reinterpret_cast<TDataSession*>(0x1000); // never dereferenced
    SetEngineInitialized(true);
    SetEngine(session);
    EXPECT_EQ(GetEngine(), session);
    EXPECT_EQ(CurrentEngine(), session);
    SetEngine(nullptr);
    SetEngineInitialized(false);
    EXPECT_THROW(GetEngine(), EVORSAMEngineError);
}

TEST(LanguageNamesTest, NinetyNineNamesInTheirFixedOrderAndSpelling) {
    auto names = LanguageNames();
    ASSERT_EQ(names.size(), 99u);
    EXPECT_EQ(names.front().Name, "ANSI Standard");
    EXPECT_EQ(names.front().LanguageId, 0);
    EXPECT_EQ(names.back().Name, "Vietnamese");
    EXPECT_TRUE(IsValidLanguageName("Ukranian"));
    EXPECT_TRUE(IsValidLanguageName("Faeroese"));
    EXPECT_FALSE(IsValidLanguageName("Ukrainian"));
    auto at = [&](std::string_view name) {
        return std::find_if(names.begin(), names.end(),
                            [&](const TLanguageName& l) { return l.Name == name; }) -
               names.begin();
    };
    EXPECT_EQ(at("Portuguese (Standard)") + 1, at("Portuguese (Brazilian)"));
    auto language = [](std::string_view name) { return std::string(name.substr(0, name.find(" ("))); };
    for (size_t i = 2; i < names.size(); ++i) { // languages in alphabetical order, variants as listed
        EXPECT_LE(strcasecmp(language(names[i - 1].Name).c_str(), language(names[i].Name).c_str()), 0)
            << names[i - 1].Name << " / " << names[i].Name;
    }
}

TEST(LanguageNamesTest, LookupsIgnoreCaseAndUnknownNamesGiveZero) {
    EXPECT_EQ(GetLanguageIdByName("english (usa)"), 0x0409);
    EXPECT_EQ(GetLanguageIdByName("Portuguese (Standard)"), 0x0816);
    EXPECT_EQ(GetLanguageIdByName("PORTUGUESE (BRAZILIAN)"), 0x0416);
    EXPECT_EQ(GetLanguageIdByName("Klingon"), 0);
    EXPECT_FALSE(IsValidLanguageName("English"));
    EXPECT_FALSE(IsValidLanguageName(""));
}

TEST(LanguageNamesTest, EveryLanguageHasItsOwnIdAndAnInstalledCollation) {
    std::set<uint16_t> ids;
    for (const TLanguageName& l : LanguageNames()) {
        EXPECT_TRUE(ids.insert(l.LanguageId).second) << l.Name;
        EXPECT_TRUE(IsValidLocaleId(MakeLocaleId(l.LanguageId, 0))) << l.Name;
        EXPECT_EQ(IcuLocaleOfLanguage(l.LanguageId).empty(), l.LanguageId == 0) << l.Name;
    }
}

} // namespace
} // namespace vorsam
