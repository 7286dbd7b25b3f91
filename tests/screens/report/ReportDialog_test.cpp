// The report dialog: boxes from the loaded sections, captions, "Limpa", OK and the way a job goes
// to the printer or, without one, to a PDF file.

#include "ReportFixture.h"

#include "platform/os/FileIo.h"
#include "screens/report/Relator.h"

#include <QCheckBox>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTest>

#include <filesystem>

namespace {

class ReportDialogTest : public ReportFixture {
protected:
    void SetUp() override {
        ReportFixture::SetUp();
        UseDefaultProgramming(11);
        auto installed = std::make_unique<TRecordingReportOutput>();
        output = installed.get();
        previousOutput = SetReportOutput(std::move(installed));
        form = std::make_unique<TFormRelat>();
    }
    void TearDown() override {
        form.reset();
        SetReportOutput(std::move(previousOutput));
        ReportFixture::TearDown();
    }
    void Tick(std::initializer_list<int> boxes) {
        form->ApButtonClick();
        for (const int k : boxes) form->CB(k)->setChecked(true);
    }

    std::unique_ptr<TFormRelat> form;
    TRecordingReportOutput* output = nullptr;
    std::unique_ptr<TReportOutput> previousOutput;
};

TEST_F(ReportDialogTest, BoxesFollowTheLoadedSections) {
    const int sections[] = {2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14, 15, 16, 19, 20, 25};
    LoadedSections.fill(0);
    LoadedSections[3] = LoadedSections[19] = LoadedSections[25] = 1;
    SetReportBoxesFromLoadedSections(*form);
    for (int k = 1; k <= ReportSectionCount; ++k) {
        EXPECT_EQ(ReportBoxSection(k), sections[k - 1]);
        const bool loaded = k == 2 || k == 15 || k == 17;
        EXPECT_EQ(form->CB(k)->isEnabled(), loaded) << "box " << k;
        EXPECT_EQ(form->CB(k)->isChecked(), loaded) << "box " << k;
    }
}

TEST_F(ReportDialogTest, ShowingSelectsEverySectionButKeepsTheBoxes) {
    ReportSelection.fill(0);
    form->CB(4)->setChecked(true);
    form->CB(5)->setEnabled(false);
    form->FormShow();
    for (int k = 1; k <= ReportSectionCount; ++k) EXPECT_EQ(ReportSelection[k], 1) << k;
    EXPECT_TRUE(form->CB(4)->isChecked());
    EXPECT_FALSE(form->CB(3)->isChecked());
    EXPECT_FALSE(form->CB(5)->isEnabled());
}

TEST_F(ReportDialogTest, NoBoxTickedPrintsNothing) {
    form->show();
    for (int k = 1; k <= ReportSectionCount; ++k) form->CB(k)->setChecked(true);
    form->ApButton->click(); // "Limpa"
    form->Button1->click();
    EXPECT_EQ(output->Opened, 0);
    EXPECT_EQ(output->Canvas.Jobs, 0);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Accepted);
}

TEST_F(ReportDialogTest, OkPrintsTheTickedSectionsAsOneJob) {
    form->show();
    Tick({2, 4});
    form->Button1->click();
    EXPECT_EQ(output->Canvas.Jobs, 1);
    EXPECT_TRUE(output->Canvas.Ended);
    EXPECT_EQ(output->Canvas.Pages, 2);
    for (int k = 1; k <= ReportSectionCount; ++k) EXPECT_EQ(ReportSelection[k], k == 2 || k == 4) << k;
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the hourglass is gone";
}

TEST_F(ReportDialogTest, AJobGivenUpLeavesTheDialogOpen) {
    output->GiveUp = true;
    form->show();
    Tick({8});
    form->Button1->click();
    EXPECT_EQ(output->Opened, 1);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(services.messages.shown.empty());
}

class TFailingOutput : public TReportOutput {
public:
    class TCanvas : public TRecordingReportCanvas {
    public:
        TCanvas() : TRecordingReportCanvas(TestPageWidth, TestPageHeight) {}
        void BeginDoc() override {
            throw EReportError(LngText("Não foi possível iniciar a impressão do relatório."));
        }
    };
    TReportCanvas* OpenJob(QWidget*) override { return &canvas; }
    TCanvas canvas;
};

TEST_F(ReportDialogTest, AFailedJobIsReportedAndTheDialogStaysOpen) {
    SetReportOutput(std::make_unique<TFailingOutput>());
    form->show();
    Tick({8});
    form->Button1->click();
    ExpectOneBox("Não foi possível iniciar a impressão do relatório.");
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// A PDF file on a full disk: the box says which file and why, and nothing of it is left.
TEST_F(ReportDialogTest, AFullDiskUnderThePdfFileIsSaidWithItsCause) {
    const std::string pdf = folder.Path("relatorio.pdf");
    const int entries = folder.EntryCount();
    SetReportOutput(std::make_unique<TPdfReportOutput>(QString::fromStdString(pdf)));
    SetWriteFaultHook([](const std::string&) { return ENOSPC; });
    form->show();
    Tick({8});
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    SetWriteFaultHook({});
    ExpectOneBox("Não foi possível gravar o arquivo " + pdf + ": não há espaço livre no disco.");
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(folder.EntryCount(), entries);
}

// Without a printer the system output asks whether to save a PDF file, and where.
class ReportNoPrinterTest : public ReportFixture {
protected:
    void SetUp() override {
        ReportFixture::SetUp();
        if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "this machine has a default printer";
        UseDefaultProgramming(11);
    }
    TSystemReportOutput SystemOutput(const std::string& path) {
        return TSystemReportOutput([this, path](QWidget*) {
            ++asked;
            return QString::fromStdString(path);
        });
    }
    int asked = 0;
};

TEST_F(ReportNoPrinterTest, YesAndAFileNameGiveAPdfFile) {
    const std::string path = folder.Path("relatorio");
    TSystemReportOutput output = SystemOutput(path);
    TReportCanvas* job = output.OpenJob(nullptr);
    ASSERT_NE(job, nullptr);
    ASSERT_EQ(services.messages.shown.size(), 1u);
    EXPECT_EQ(services.messages.shown[0].kind, TMsgKind::Confirmation);
    ReportSelection.fill(0);
    ReportSelection[13] = 1;
    ImprimeRelatorio(*job);
    EXPECT_TRUE(std::filesystem::exists(path + ".pdf"));
    EXPECT_FALSE(std::filesystem::exists(path + ".pdf.tmp"));
}

TEST_F(ReportNoPrinterTest, NoOrNoFileNameGiveNoJob) {
    services.messages.answers = {TMsgResult::No};
    TSystemReportOutput output = SystemOutput(folder.Path("a.pdf"));
    EXPECT_EQ(output.OpenJob(nullptr), nullptr);
    EXPECT_EQ(asked, 0);
    TSystemReportOutput unnamed = SystemOutput("");
    EXPECT_EQ(unnamed.OpenJob(nullptr), nullptr);
    EXPECT_EQ(asked, 1);
}

} // namespace
