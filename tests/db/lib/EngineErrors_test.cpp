// The engine's error table, its exception and the per-thread context of the last error.
#include "TestSupport.h"

#include <set>
#include <thread>

namespace vorsam::test {
namespace {

TEST(EngineErrorTableTest, CodesAndNamesAreUniqueSortedAndMessagesFitTheirMarkers) {
    std::set<std::string_view> names;
    uint16_t previous = 0;
    for (const TEngineErrorInfo& e : EngineErrorTable()) {
        EXPECT_GT(e.Code, previous) << e.Name;
        previous = e.Code;
        EXPECT_TRUE(names.insert(e.Name).second) << e.Name;
        EXPECT_EQ(e.Name.substr(0, 7), "VORSAM_");
        EXPECT_LE(e.Message.size(), 255u);
        size_t markers = 0;
        for (size_t at = e.Message.find("%s"); at != std::string_view::npos;
             at = e.Message.find("%s", at + 2))
            ++markers;
        size_t fills = (e.Fill[0] != ecItemCount) + (e.Fill[1] != ecItemCount);
        EXPECT_EQ(markers, fills) << e.Name;
    }
}

TEST(EngineErrorTableTest, NumbersOtherSystemsKnowAreKept) {
    EXPECT_EQ(VORSAM_BOF, 0x2201);
    EXPECT_EQ(VORSAM_EOF, 8706);
    EXPECT_EQ(VORSAM_ENDOFBLOB, 0x2207);
    EXPECT_EQ(VORSAM_NOTINITIALIZED, 10758);
    EXPECT_EQ(VORSAM_SQLPARSE, 11949);
    EXPECT_EQ(VORSAM_REMOTECALLBACK, 11284);
    EXPECT_EQ(FindEngineError(0x270E), nullptr) << "left free: the blob stream treats it as no error";
}

TEST(EngineErrorTest, MessageIsThePrefixTheDecimalCodeAndTheText) {
    try {
        RaiseEngineError(VORSAM_NOTINITIALIZED, "", "", "", "", "", "", "");
        FAIL();
    } catch (const EVORSAMEngineError& e) {
        EXPECT_EQ(e.ErrorCode, 0x2A06);
        EXPECT_STREQ(e.what(), "VORSAM Engine Error # 10758 The engine is not initialized");
    }
}

TEST(EngineErrorTest, MarkersAreFilledFromTheContextAndUnknownCodesGetTheGenericText) {
    TErrorContext context;
    context.Table = "CLIENTES";
    context.Index = "PorNome";
    EXPECT_EQ(EVORSAMEngineError(VORSAM_HEADERCORRUPT, context).what(),
              std::string("VORSAM Engine Error # 8961 Header information corrupt in the table 'CLIENTES'"));
    EXPECT_EQ(FormatEngineErrorMessage(VORSAM_KEYVIOL, context),
              "Key violation in the index 'PorNome' of the table 'CLIENTES'");
    context.ExtraText = "Table name expected, instead found '%s'";
    EXPECT_EQ(FormatEngineErrorMessage(VORSAM_SQLPARSE, context),
              "SQL error - Table name expected, instead found '%s'")
        << "a marker inside context text stays as it is";
    EXPECT_EQ(GetEngineErrorMessage(0x1234), "Unknown engine error");
    EXPECT_STREQ(EVORSAMEngineError(0x1234, context).what(),
                 "VORSAM Engine Error # 4660 Unknown engine error");
}

TEST(EngineErrorTest, ContextItemsSurviveTheRaiseInTheExceptionAndInTheLastErrorContext) {
    TErrorContext context{"srv", "ana", "/dados", "T", "NOME", "IDX", "extra", 13, 10054};
    try {
        RaiseEngineError(VORSAM_READERR, context);
    } catch (const EVORSAMEngineError& e) {
        EXPECT_EQ(e.ErrorServerName, "srv");
        EXPECT_EQ(e.ErrorUserName, "ana");
        EXPECT_EQ(e.ErrorDatabaseName, "/dados");
        EXPECT_EQ(e.ErrorTableName, "T");
        EXPECT_EQ(e.ErrorFieldName, "NOME");
        EXPECT_EQ(e.ErrorIndexName, "IDX");
        EXPECT_EQ(e.ErrorMessage, "extra");
        EXPECT_EQ(e.OSErrorCode, 13);
        EXPECT_EQ(e.SocketErrorCode, 10054);
    }
    const char* expected[] = {"srv", "ana", "/dados", "T", "NOME", "IDX", "extra", "13", "10054"};
    for (int item = 0; item < 9; ++item) EXPECT_EQ(GetErrorContextItem(item), expected[item]) << item;
    EXPECT_EQ(GetErrorContextItem(9), "");
    try {
        RaiseEngineException(VORSAM_WRITEERR);
    } catch (const EVORSAMEngineError& e) {
        EXPECT_EQ(e.ErrorTableName, "T") << "a re-raise takes the stored context";
        EXPECT_EQ(e.ErrorCode, VORSAM_WRITEERR);
    }
}

TEST(EngineErrorTest, EachThreadKeepsItsOwnLastErrorContext) {
    auto raiseAndRead = [](std::string table, std::string& seen) {
        for (int i = 0; i < 2000; ++i) {
            try {
                RaiseEngineError(VORSAM_TABLEFULL, "", "", "", table, "", "", "");
            } catch (const EVORSAMEngineError&) {
                if (GetErrorContextItem(ecTable) != table) seen = GetErrorContextItem(ecTable);
            }
        }
    };
    std::string seenA, seenB;
    std::thread a(raiseAndRead, "A", std::ref(seenA)), b(raiseAndRead, "B", std::ref(seenB));
    a.join();
    b.join();
    EXPECT_EQ(seenA, "");
    EXPECT_EQ(seenB, "");
}

} // namespace
} // namespace vorsam::test
