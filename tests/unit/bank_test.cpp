// Bank storage: capacities, growth, and what module stop leaves behind.
#include <gtest/gtest.h>

#include "files/bank.h"
#include "core/handle.h"
#include "module_commands.h"

namespace korva {
namespace {

using CreateBank = int32_t(int32_t);
using ResizeBank = void(int32_t, int32_t);
using FreeBank = void(int32_t);

const qyBank& bankOf(int32_t handle) { return *objectOf<qyBank>(handle); }

class BankStorage : public testing::Test {
protected:
    void TearDown() override { bankModule.destroy(); }

    CreateBank* create = commandOf<CreateBank>(bankModule, "%CreateBank%size=0");
    ResizeBank* resize = commandOf<ResizeBank>(bankModule, "ResizeBank%bank%size");
};

TEST_F(BankStorage, CapacityIsTheSizeRoundedUpTo16) {
    EXPECT_EQ(bankOf(create(10)).capacity, 16);
    EXPECT_EQ(bankOf(create(16)).capacity, 16);
    EXPECT_EQ(bankOf(create(17)).capacity, 32);
    EXPECT_EQ(bankOf(create(0)).capacity, 0);
    EXPECT_EQ(bankOf(create(-3)).size, 0);
}

TEST_F(BankStorage, GrowthBeyondTheCapacityTakesHalfAsMuchAgain) {
    const int32_t bank = create(10);
    resize(bank, 20);  // 16 * 3 / 2 = 24, rounded up to 32
    EXPECT_EQ(bankOf(bank).capacity, 32);
    resize(bank, 30);  // fits
    EXPECT_EQ(bankOf(bank).capacity, 32);
    resize(bank, 100);  // more than 48: the size itself, rounded up
    EXPECT_EQ(bankOf(bank).capacity, 112);
    resize(bank, 4);  // shrinking keeps the block
    EXPECT_EQ(bankOf(bank).capacity, 112);
    EXPECT_EQ(bankOf(bank).size, 4);
    const int32_t empty = create(0);
    resize(empty, 1);
    EXPECT_EQ(bankOf(empty).capacity, 16);
}

TEST_F(BankStorage, GrowthClearsEveryByteItAdds) {
    const int32_t bank = create(16);
    qyBank& storage = *objectOf<qyBank>(bank);
    for (int i = 0; i < 16; ++i) storage.data[i] = 0xAB;
    resize(bank, 2);
    resize(bank, 16);  // within the capacity
    EXPECT_EQ(storage.data[1], 0xAB);
    for (int i = 2; i < 16; ++i) EXPECT_EQ(storage.data[i], 0) << i;
    for (int i = 0; i < 16; ++i) storage.data[i] = 0xCD;
    resize(bank, 8);
    resize(bank, 40);  // into a new block
    EXPECT_EQ(storage.data[7], 0xCD);
    for (int i = 8; i < 40; ++i) EXPECT_EQ(storage.data[i], 0) << i;
}

TEST_F(BankStorage, FreeingTwiceAndModuleStopAreSafe) {
    auto freeBank = commandOf<FreeBank>(bankModule, "FreeBank%bank");
    const int32_t bank = create(4);
    freeBank(bank);
    freeBank(bank);
    freeBank(0);
    create(8);
    create(8);
    bankModule.destroy();  // frees what is left; TearDown's second stop finds nothing
}

}  // namespace
}  // namespace korva
