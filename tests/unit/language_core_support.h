// Records laid out as compiled code lays them out, and a fixture that starts
// and stops the language core's pools around each test.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <string>

#include "core/block_registry.h"
#include "core/object_routines.h"
#include "core/object_types.h"
#include "core/str_pool.h"

namespace korva::test {

inline constexpr int32_t kIntTypeWord = kIntKind;
inline constexpr int32_t kFloatTypeWord = kFloatKind;
inline constexpr int32_t kStrTypeWord = kStrKind;

inline void makeEmptyList(qyObj& sentinel) {
    sentinel = {nullptr, &sentinel, &sentinel, nullptr, -1};
}

// A user type record followed by its field type pointers, as the compiler
// emits it. It points at itself, so it stays where it was made.
template <size_t FieldCount>
struct UserType {
    qyObjType record;
    std::array<TypeRecord, FieldCount> fields;

    explicit UserType(const std::array<TypeRecord, FieldCount>& types) : fields(types) {
        record.kind = kObjectKind;
        makeEmptyList(record.used);
        makeEmptyList(record.free);
        record.fieldCount = static_cast<int32_t>(FieldCount);
    }
    UserType(const UserType&) = delete;
    UserType& operator=(const UserType&) = delete;

    qyObjType* type() { return &record; }
    TypeRecord asField() const { return &record.kind; }
};
static_assert(offsetof(UserType<2>, fields) == sizeof(qyObjType));

inline std::string textOf(const qyStr* str) { return {strText(str), strLength(str)}; }

// Takes a string result, returns its text and releases it.
inline std::string consumed(qyStr* str) {
    std::string text = textOf(str);
    strRelease(str);
    return text;
}

class LanguageCoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        strPoolStart();
        objectsStart();
        blocksAtStart_ = blockCount();
    }
    void TearDown() override {
        strPoolStop();
        objectsStop();
        blockFreeAll();
    }

    size_t newBlocks() const { return blockCount() - blocksAtStart_; }

private:
    size_t blocksAtStart_ = 0;
};

}  // namespace korva::test
