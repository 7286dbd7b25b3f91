#include "core/DefaultProgramming.h"

#include "core/ImageView.h"
#include "core/ModelTables.h"

#include <cstring>
#include <stdexcept>

namespace {

using namespace Defaults;

struct TBuild {
    TImageView image;
    std::uint8_t model;
    const TModelInfo& info;
    const TDefaultSettings& settings;
};

void FillPerPosition(const TBuild& b, std::size_t offset, std::uint8_t value) {
    b.image.Fill(offset, b.info.Extensions, value);
}

void WriteSignatureAndClock(const TBuild& b) {
    b.image[Offset::Model] = b.model;
    b.image[Offset::SignatureLengthByte] = SignatureLength;
    std::memcpy(b.image.Span(Offset::SignatureText, SignatureLength).data(), Signature, SignatureLength);
    const std::uint8_t clock[] = {ClockWeekday, ClockDay, ClockMonth, ClockYear, 0, 0, 0};
    std::memcpy(b.image.Span(Offset::ClockWeekday, sizeof clock).data(), clock, sizeof clock);
}

void WriteCategories(const TBuild& b) {
    for (const std::size_t base : {Offset::DayCategories, Offset::NightCategories}) {
        FillPerPosition(b, base, Categories);
        FillPerPosition(b, base + 20, Routes);
        FillPerPosition(b, base + 40, Facilities);
        FillPerPosition(b, base + 60, SubRoute);
    }
    FillPerPosition(b, Offset::Attributes, Attributes);
}

void WriteTrunks(const TBuild& b) {
    for (std::size_t trunk = 0; trunk < b.info.Trunks; ++trunk) {
        const auto record =
            b.image.Span(Offset::TrunkRecords + Offset::TrunkRecordSize * trunk, Offset::TrunkRecordSize);
        record[0] = TrunkFlags | (b.settings.digitLimit ? TrunkDigitLimit : 0);
        record[1] = TrunkMainAttendant;
        record[2] = TrunkOverflow;
        record[3] = TrunkNightAttendant;
        record[4] = TrunkOverflowTime;
        record[5] = TrunkDialToneTime;
        record[6] = TrunkBillingStart;
        record[7] = b.model < 5 ? 0 : TrunkOptions;
        b.image[Offset::TrunkBytes + trunk] = TrunkByte;
    }
    b.image[Offset::MainAttendantSummary] = TrunkMainAttendant;
    b.image[Offset::NightAttendantSummary] = TrunkNightAttendant;
}

void WriteHeaderLists(const TBuild& b) {
    FillPerPosition(b, Offset::ExtensionFacilities, ExtensionFacilities);
    b.image.Fill(Offset::Bosses, 16, BossSecretary);
    const std::uint8_t timers[] = {b.settings.flashTime,  WakeUpRings,           RecallRings,
                                   Actuation1CommandTime, Actuation2CommandTime, ExternalRecallTries,
                                   RecallInterval};
    std::memcpy(b.image.Span(Offset::Timers, sizeof timers).data(), timers, sizeof timers);
    b.image[Offset::OptionBits1] = OptionBits1;
    b.image[Offset::OptionBits2] = OptionBits2 | (b.model == 9 ? MusicOnHoldModel9 : 0);
    b.image.Fill(Offset::NightService, Offset::NightServiceSize, NoTime);
    b.image.Fill(Offset::Actuation1, 2 * Offset::ActuationSize, NoTime);
    b.image[Offset::ActivationBits] = ActivationBits;
}

void WritePrefixes(const TBuild& b) {
    b.image.SetU16(Offset::AreaCode, AreaCode);
    b.image.Fill(Offset::PrefixFirstLevel, 100 + 10 * Offset::PrefixNodeCount, PrefixLeaf);
    b.image[Offset::PrefixFirstLevel + 0] = PrefixEntry00;
    b.image[Offset::PrefixFirstLevel + 8] = PrefixEntry08;
    b.image[Offset::PrefixFirstLevel + 90] = PrefixEntry90;
    b.image[Offset::PrefixNodes + 0] = PrefixNode128Entry0;
    b.image[Offset::PrefixNodes + 10] = PrefixNode129Entry0;
    b.image[Offset::PrefixNodes + 20] = PrefixNode130Entry0;
}

void WritePlan(const TBuild& b) {
    for (int position = 0; position < b.info.Extensions; ++position)
        b.image.SetU16(Offset::ExtensionNumbers + 2 * position,
                       static_cast<std::uint16_t>(FirstExtensionNumber + position));
    if (b.model == 9) b.image.SetU16(Offset::ExtensionNumbers + 2 * b.info.Extensions, ExtraPlanEntryNumber);
    b.image[Offset::NumberLength] = NumberLength;
}

void WriteGroupsAndPhones(const TBuild& b) {
    for (std::size_t group = 0; group < 4; ++group) {
        const std::size_t record = Offset::Groups + Offset::GroupRecordSize * group;
        b.image[record] = EmptyGroupType;
        b.image.Fill(record + 1, Offset::GroupMembers, NoExtension);
        b.image[Offset::GroupRings + group] = GroupRings;
    }
    b.image[Offset::EmergencyExtension] = NoExtension;
    b.image[Offset::EmergencyExtensionTarget] = EmergencyExtensionTarget;
    b.image[Offset::Emergency1Target] = NoExtension;
    b.image[Offset::Emergency2Target] = NoExtension;
    for (std::size_t door = 0; door < 2; ++door) {
        b.image[Offset::DoorPhoneCommandTime + door] =
            static_cast<std::uint8_t>(b.settings.commandTime * DoorPhoneCommandUnit);
        b.image[Offset::DoorPhoneWaitTime + door] = DoorPhoneWaitTime;
        b.image[Offset::DoorPhoneAttendant + door] = DoorPhoneAttendant;
    }
    b.image[Offset::CentralizerHour] = NoCallTime;
    b.image[Offset::CentralizerMinute] = NoCallTime;
    b.image[Offset::GeneralPassword] = GeneralPassword1;
    b.image[Offset::GeneralPassword + 1] = GeneralPassword2;
    b.image.Fill(Offset::FaxAttendant, 2, NoExtension);
    b.image.Fill(Offset::PrivateCodes, Offset::PrivateCodeCount, NoExtension);
}

void WriteExtensionServices(const TBuild& b) {
    b.image.Fill(Offset::WakeUp, Offset::WakeUpEnd - Offset::WakeUp, NoTime);
    b.image[Offset::WakeUpCount] = 0;
    if (IsTransferableModel(b.model)) b.image[Offset::ExtensionPasswordDigits] = ExtensionPasswordDigits;
    b.image.Fill(Offset::ServiceHotLine, MaxPositions, ServiceHotLine);
    b.image.Fill(Offset::ServiceBusyDiversion, 3 * MaxPositions, ServiceDiversion);
    b.image.Fill(Offset::ServicePasswords, 2 * MaxPositions, ServicePassword);
    b.image.Fill(Offset::ServiceRings, 3 * MaxPositions, ServiceCounts);
    b.image.Fill(Offset::ServiceRecall, MaxPositions, ServiceRecall);
    b.image.Fill(Offset::ServicePadlock, MaxPositions, ServicePadlock);
    b.image.Fill(Offset::TerminalPositions, Offset::TerminalCount, NoExtension);
    b.image.Fill(Offset::TerminalKeys, Offset::TerminalCount * Offset::KeysPerTerminal, KeyWithoutFunction);
}

} // namespace

TImageBytes BuildDefaultImage(std::uint8_t model, const TDefaultSettings& settings) {
    if (!IsKnownModel(model)) throw std::invalid_argument("Unknown model code " + std::to_string(model));
    TImageBytes bytes{};
    const TBuild build{TImageView(bytes.data(), 0, ImageSize), model, ModelInfo(model), settings};
    WriteSignatureAndClock(build);
    WriteCategories(build);
    WriteTrunks(build);
    WriteHeaderLists(build);
    WritePrefixes(build);
    WritePlan(build);
    WriteGroupsAndPhones(build);
    WriteExtensionServices(build);
    return bytes;
}
