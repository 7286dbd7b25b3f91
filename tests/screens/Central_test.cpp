// The centralizer screen: identification, call time in the model's encoding, and number.

#include "ScreenFixture.h"
#include "core/ValueConversions.h"
#include "screens/Central.h"

#include <QLineEdit>

namespace {

class CentralTest : public ScreenFixture {
protected:
    void Open(int model) {
        LoadModel(model);
        ShowActive(screen);
    }
    void Type(const char* id, const char* time, const char* number) {
        screen.MaskEdit1->setText(id);
        screen.MaskEdit2->setText(time);
        screen.MaskEdit3->setText(number);
    }
    std::vector<int> Record() const {
        std::vector<int> bytes;
        for (std::size_t i = 1296; i < 1296 + 19; ++i) bytes.push_back(ProgrammingImage[i]);
        return bytes;
    }
    static std::vector<int> RecordOf(std::vector<int> head, const char* number) {
        const PackedNumber packed = PackPhoneNumber(number);
        head.insert(head.end(), packed.begin(), packed.end());
        return head;
    }
    TFormCentral screen;
};

// The call time in the model's encoding: plain numbers, packed BCD on models 3 to 5, 0x24 for
// none; shown back as typed.
TEST_F(CentralTest, StoresIdentificationTimeAndNumberInTheModelsEncoding) {
    struct TCase {
        int model;
        const char *id, *time, *number;
        std::vector<int> head; // identification, hour, minute
    };
    for (const TCase& c :
         {TCase{10, "07", "08:30", "48300011", {0x07, 8, 30}},
          TCase{4, "12", "08:30", "", {0x12, 0x08, 0x30}}, TCase{8, "05", "", "123", {0x05, 0x24, 0x24}},
          TCase{8, "05", "23:45", "", {5, 23, 45}}}) {
        SCOPED_TRACE(c.model);
        Open(c.model);
        if (c.model == 8) { // the default: nothing defined
            EXPECT_EQ(screen.MaskEdit1->displayText(), "__");
            EXPECT_EQ(screen.MaskEdit2->displayText(), "__:__");
        }
        Type(c.id, c.time, c.number);
        screen.OkButtonClick();
        EXPECT_EQ(Record(), RecordOf(c.head, c.number));
        EXPECT_EQ(EditedSections[20] + ModifiedSections[20] + ProgrammingModified, 3);
        EXPECT_FALSE(screen.isVisible());
        ShowAgain(screen);
        EXPECT_EQ(screen.MaskEdit1->text(), c.id);
        EXPECT_EQ(screen.MaskEdit2->displayText(), *c.time ? c.time : "__:__");
        screen.reject();
    }
}

TEST_F(CentralTest, ABlankIdentificationAsksAndNoKeepsEverything) {
    Open(10);
    const auto before = TProgrammingState::Now();
    Type("", "08:30", "123");
    services.messages.answers = {TMsgResult::No};
    screen.OkButtonClick();
    ExpectOneBox("Identidade não definida ou igual a 0\ncancela dados do centralizador. Confirma ?",
                 TMsgKind::Confirmation);
    EXPECT_EQ(TProgrammingState::Now(), before);
    EXPECT_TRUE(screen.isVisible());
    EXPECT_EQ(screen.MaskEdit2->text(), "08:30");
    EXPECT_EQ(screen.MaskEdit3->text(), "123");
}

TEST_F(CentralTest, ABlankIdentificationConfirmedStoresAnEmptyRecord) {
    Open(10);
    ProgrammingImage.SetPacked(1299, PackPhoneNumber("999"));
    Type("00", "08:30", "123");
    services.messages.answers = {TMsgResult::Yes};
    screen.OkButtonClick();
    EXPECT_EQ(Record(), RecordOf({0x00, 0x24, 0x24}, ""));
    EXPECT_EQ(EditedSections[20], 1);
}

TEST_F(CentralTest, AnImpossibleTimeIsRefusedAndNothingStored) {
    Open(10);
    const auto before = TProgrammingState::Now();
    for (const char* time : {"25:00", "12:60", "8_:30"}) {
        services.messages.shown.clear();
        Type("07", time, "123");
        screen.OkButtonClick();
        ExpectOkRefused(screen, before, "Horário da chamada está incorreto.", screen.MaskEdit2);
    }
}

} // namespace
