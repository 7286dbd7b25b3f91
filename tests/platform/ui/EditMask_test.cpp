#include "platform/ui/EditMask.h"

#include <gtest/gtest.h>

namespace {

QString Typed(const QString& mask, const QString& keys) {
    TEditMask m(mask);
    TMaskedText field(m);
    for (QChar ch : keys) field.Type(ch);
    return field.Text();
}

struct TTypingCase {
    const char* Mask;
    const char* Keys;
    const char* Text;
};

class MaskTyping : public testing::TestWithParam<TTypingCase> {};

TEST_P(MaskTyping, TextAfterTypingIsTheClassLibrarysText) {
    const TTypingCase c = GetParam();
    EXPECT_EQ(Typed(QString::fromUtf8(c.Mask), QString::fromUtf8(c.Keys)), QString::fromUtf8(c.Text));
}

INSTANTIATE_TEST_SUITE_P(
    ScreensMasks, MaskTyping,
    testing::Values(TTypingCase{"9999", "", "    "}, // empty keeps its full length
                    TTypingCase{"9999", "12", "12  "},
                    TTypingCase{"99:99", "0730", "07:30"}, // the literal is skipped
                    TTypingCase{"99:99", "07 3", "07: 3"}, // a blank stays where it was typed
                    TTypingCase{"99:99", "7:", "7 :  "},   // typing the literal jumps to after it
                    TTypingCase{"9999", "1a2", "12  "},    // letters are refused in digits
                    TTypingCase{"ccccccccccccccccccccccccc", "ab cd", "ab cd                    "},
                    TTypingCase{"99:99;0", "0730", "0730"}, // literals not saved
                    TTypingCase{"99:99;0", "07", "07"},     // ... and trailing blanks trimmed
                    TTypingCase{"!9999;0", "12", "12  "},   // with "!" only leading blanks go
                    TTypingCase{">LLL", "abc", "ABC"},      // upper-casing directive
                    TTypingCase{"<>c<c", "AB", "Ab"},
                    TTypingCase{"\\(99\\)", "12", "(12)"}, // escaped literals
                    TTypingCase{"#99", "-12", "-12"},
                    TTypingCase{"0000", "1 2", "12  "})); // a required digit refuses a blank

TEST(EditMask, FieldsGiveTheSaveFlagAndTheBlankCharacter) {
    TEditMask m("99:99;1;*");
    EXPECT_TRUE(m.SavesLiterals());
    EXPECT_EQ(m.Blank(), u'*');
    EXPECT_EQ(m.EmptyEditText(), "**:**");
    EXPECT_EQ(m.TextFromEditText("1*:3*"), "1 :3 ");
    TEditMask plain("9999");
    EXPECT_EQ(plain.Blank(), u'_');
    EXPECT_EQ(plain.EmptyEditText(), "____");
}

TEST(EditMask, SeparatorsComeFromTheFormatSettings) {
    TFormatSettings settings = TFormatSettings::BrazilianPortuguese();
    settings.DateSeparator = '-';
    settings.TimeSeparator = '.';
    EXPECT_EQ(TEditMask("99/99 99:99", settings).EmptyEditText(), "__-__ __.__");
}

TEST(EditMask, LoadingATextRoundTripsAndDropsWhatThePositionsRefuse) {
    TEditMask time("99:99");
    EXPECT_EQ(time.EditTextFromText("07:30"), "07:30");
    EXPECT_EQ(time.EditTextFromText("07: 3"), "07:_3");
    EXPECT_EQ(time.EditTextFromText("ab:1"), "__:1_");
    EXPECT_EQ(time.TextFromEditText(time.EditTextFromText("12:34")), "12:34");
    TEditMask compact("99:99;0");
    EXPECT_EQ(compact.EditTextFromText("0730"), "07:30");
    EXPECT_EQ(TEditMask("!999;0").EditTextFromText("12"), "_12");
}

TEST(EditMask, RequiredPositionsDecideCompleteness) {
    TEditMask m("00:99");
    EXPECT_FALSE(m.IsComplete(m.EmptyEditText()));
    EXPECT_FALSE(m.IsComplete("1_:__"));
    EXPECT_TRUE(m.IsComplete("12:__"));
}

TEST(MaskedText, BackspaceAndDeleteBlankWithoutShifting) {
    TEditMask m("99:99");
    TMaskedText field(m);
    field.Paste("1234");
    EXPECT_EQ(field.EditText(), "12:34");
    field.Backspace();
    EXPECT_EQ(field.EditText(), "12:3_");
    field.SetCursor(0);
    field.Delete();
    EXPECT_EQ(field.EditText(), "_2:3_");
    field.ClearRange(1, 3);
    EXPECT_EQ(field.EditText(), "__:__");
    EXPECT_EQ(field.Cursor(), 1);
}

TEST(MaskedText, CaretNeverRestsOnALiteralAndStopsAtTheEnd) {
    TEditMask m("99:99");
    TMaskedText field(m);
    field.SetCursor(2);
    EXPECT_EQ(field.Cursor(), 3);
    EXPECT_EQ(field.Paste("12345"), 2);
    EXPECT_EQ(field.Cursor(), 5);
    EXPECT_FALSE(field.Type(u'6'));
}

TEST(MaskedText, PasteStopsAtTheFirstRefusedCharacter) {
    TEditMask m("9999");
    TMaskedText field(m);
    EXPECT_EQ(field.Paste("12a4"), 2);
    EXPECT_EQ(field.Text(), "12  ");
}

} // namespace
