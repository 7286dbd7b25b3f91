// The session's count of the changes that tables hold beyond their caches' sizes: a file's charge that
// goes (its file gone after a close that broke off) takes the file out of the session's holders.
#include "db/engine/SpillFile.h"

#include <gtest/gtest.h>

namespace vorsam::test {
namespace {

struct THolder final : TChangeHolder {
    const void* HolderTable() const override { return this; }
    void GiveBack() override { ++GivenBack; }
    int GivenBack = 0;
};

TEST(ChangeChargeTest, AChargeThatGoesTakesItsFileOutOfTheSessionsHolders) {
    EngineSettings settings;
    THolder kept, gone;
    TChangeCharge keptCharge;
    keptCharge.Set(settings, 100, kept);
    {
        auto goneCharge = std::make_unique<TChangeCharge>();
        goneCharge->Set(settings, 50, gone);
        EXPECT_EQ(settings.HeldChanges.Held, 150u);
    }
    EXPECT_EQ(settings.HeldChanges.Held, 100u);
    EXPECT_EQ(settings.HeldChanges.Holders, std::vector<TChangeHolder*>{&kept});
    TChangeCharge::GiveBackOthers(settings, gone);
    EXPECT_EQ(kept.GivenBack, 1);
    EXPECT_EQ(gone.GivenBack, 0);
}

} // namespace
} // namespace vorsam::test
