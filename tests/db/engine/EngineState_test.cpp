// The engine core's start-up state and its table of language names.
#include "db/engine/EngineState.h"
#include "db/engine/LanguageNames.h"
#include "db/lib/Collation.h"
#include "db/lib/EngineErrors.h"

#include <gtest/gtest.h>
#include <set>

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

TEST(LanguageNamesTest, LookupsIgnoreCaseAndUnknownNamesGiveZero) {
    EXPECT_EQ(GetLanguageIdByName("english (usa)"), 0x0409);
    EXPECT_EQ(GetLanguageIdByName("Portuguese (Standard)"), 0x0816);
    EXPECT_EQ(GetLanguageIdByName("PORTUGUESE (BRAZILIAN)"), 0x0416);
    EXPECT_EQ(GetLanguageIdByName("Klingon"), 0);
    EXPECT_FALSE(IsValidLanguageName("English"));
    EXPECT_TRUE(IsValidLanguageName("Ukranian")) << "the spelling other systems know";
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
