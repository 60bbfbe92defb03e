#include <vector>

#include "core/arrays.h"
#include "core/object_routines.h"
#include "language_core_support.h"

namespace korva::test {
namespace {

class ObjectRoutinesTest : public LanguageCoreTest {
protected:
    UserType<3> point{{&kIntTypeWord, &kFloatTypeWord, &kStrTypeWord}};
    UserType<1> node{{nullptr}};  // one field referring to another node

    void SetUp() override {
        LanguageCoreTest::SetUp();
        node.fields[0] = node.asField();
    }

    std::vector<qyObj*> newPoints(int count) {
        std::vector<qyObj*> points;
        for (int i = 0; i < count; ++i) points.push_back(qyObjNew(point.type()));
        return points;
    }

    // The live objects of a type, walked as a For Each loop walks them.
    std::vector<qyObj*> liveObjects(qyObjType* type) {
        std::vector<qyObj*> objects;
        for (qyObj* object = qyObjFirst(type); object != nullptr; object = qyObjNext(object)) {
            objects.push_back(object);
        }
        return objects;
    }
};

TEST_F(ObjectRoutinesTest, NewObjectIsLiveWithZeroFields) {
    qyObj* object = qyObjNew(point.type());
    EXPECT_EQ(object->type, point.type());
    EXPECT_EQ(object->refCount, 1);
    EXPECT_EQ(object->fields, fieldArea(object));
    EXPECT_EQ(object->fields[0].integer, 0);
    EXPECT_EQ(object->fields[1].real, 0.0f);
    EXPECT_EQ(object->fields[2].str, nullptr);
    EXPECT_EQ(activeObjectCount(), 1);
    EXPECT_EQ(unreleasedObjectCount(), 1);
}

TEST_F(ObjectRoutinesTest, ObjectsComeFromBlocksOf512InAddressOrder) {
    auto points = newPoints(512);
    EXPECT_EQ(newBlocks(), 1u);
    const auto stride = sizeof(qyObj) + 3 * sizeof(Word);
    EXPECT_EQ(reinterpret_cast<char*>(points[1]) - reinterpret_cast<char*>(points[0]), static_cast<ptrdiff_t>(stride));
    EXPECT_EQ(reinterpret_cast<char*>(points[511]) - reinterpret_cast<char*>(points[0]),
              static_cast<ptrdiff_t>(511 * stride));
    qyObjNew(point.type());
    EXPECT_EQ(newBlocks(), 2u);
}

TEST_F(ObjectRoutinesTest, ReusedStorageIsZeroedAgain) {
    qyObj* object = qyObjNew(point.type());
    object->fields[0].integer = 7;
    object->fields[2].str = strFromText("gone");
    qyObjDelete(object);
    auto rest = newPoints(511);  // the rest of the block, then the freed one
    qyObj* reused = qyObjNew(point.type());
    EXPECT_EQ(reused, object);
    EXPECT_EQ(reused->fields[0].integer, 0);
    EXPECT_EQ(reused->fields[2].str, nullptr);
    EXPECT_EQ(liveStringCount(), 0);
}

TEST_F(ObjectRoutinesTest, DeletedObjectHeldByAVariableStaysUntilReleased) {
    auto points = newPoints(512);  // the block is used up: a freed object is next
    qyObj* variable = nullptr;
    qyObjStore(&variable, points[0]);
    EXPECT_EQ(points[0]->refCount, 2);

    qyObjDelete(points[0]);
    EXPECT_EQ(qyObjFirst(point.type()), points[1]);
    EXPECT_EQ(qyObjCompare(variable, nullptr), 0);
    EXPECT_EQ(activeObjectCount(), 511);
    EXPECT_EQ(unreleasedObjectCount(), 512);

    qyObj* whileHeld = qyObjNew(point.type());
    EXPECT_NE(whileHeld, points[0]);
    EXPECT_EQ(newBlocks(), 2u);
    qyObjDelete(whileHeld);  // back at the free list's tail, after 511 fresh ones

    qyObjStore(&variable, nullptr);
    EXPECT_EQ(unreleasedObjectCount(), 511);
    EXPECT_EQ(point.record.free.prev, points[0]);  // reused after everything freed before it
}

TEST_F(ObjectRoutinesTest, ReleasedStorageIsTheNextOneReused) {
    auto points = newPoints(512);
    qyObj* variable = nullptr;
    qyObjStore(&variable, points[5]);
    qyObjDelete(points[5]);
    qyObjStore(&variable, nullptr);
    EXPECT_EQ(qyObjNew(point.type()), points[5]);
    EXPECT_EQ(newBlocks(), 1u);
}

TEST_F(ObjectRoutinesTest, DeletingTwiceCountsOnce) {
    auto points = newPoints(3);
    qyObjDelete(points[1]);
    qyObjDelete(points[1]);
    qyObjDelete(nullptr);
    EXPECT_EQ(activeObjectCount(), 2);
    EXPECT_EQ(unreleasedObjectCount(), 2);
    EXPECT_EQ(liveObjects(point.type()), (std::vector{points[0], points[2]}));
}

TEST_F(ObjectRoutinesTest, DeletionReleasesStringFields) {
    const int32_t stringsBefore = liveStringCount();
    auto points = newPoints(2);
    points[0]->fields[2].str = strFromText("first");
    points[1]->fields[2].str = strFromText("second");
    qyObjDeleteEach(point.type());
    EXPECT_EQ(liveStringCount(), stringsBefore);
    EXPECT_EQ(activeObjectCount(), 0);
    EXPECT_EQ(unreleasedObjectCount(), 0);
}

TEST_F(ObjectRoutinesTest, DeletionDropsTheReferencesOfObjectFields) {
    qyObj* target = qyObjNew(node.type());
    qyObj* holder = qyObjNew(node.type());
    qyObjStore(&holder->fields[0].object, target);
    qyObjDelete(target);
    EXPECT_EQ(unreleasedObjectCount(), 2);  // the field still holds it
    qyObjDelete(holder);
    EXPECT_EQ(unreleasedObjectCount(), 0);
}

TEST_F(ObjectRoutinesTest, ObjectReferringToItselfIsFreedOnDeletion) {
    qyObj* self = qyObjNew(node.type());
    qyObjStore(&self->fields[0].object, self);
    EXPECT_EQ(self->refCount, 2);
    qyObjDelete(self);
    EXPECT_EQ(unreleasedObjectCount(), 0);
    EXPECT_EQ(node.record.free.prev, self);
}

TEST_F(ObjectRoutinesTest, VectorFieldsAreAllocatedAndFreedWithTheObject) {
    const qyVecType names{kVectorKind, 4, &kStrTypeWord};
    UserType<2> roster{{&kIntTypeWord, &names.kind}};
    qyObj* object = qyObjNew(roster.type());
    EXPECT_EQ(newBlocks(), 2u);  // the object block and the vector
    Word* vector = object->fields[1].vector;
    ASSERT_NE(vector, nullptr);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(vector[i].str, nullptr);
    vector[3].str = strFromText("kept");
    const size_t blocksWithVector = blockCount();
    qyObjDelete(object);
    EXPECT_EQ(blockCount(), blocksWithVector - 1);
    EXPECT_EQ(liveStringCount(), 0);
}

TEST_F(ObjectRoutinesTest, DeleteEachLeavesHeldObjectsDeletedButListed) {
    auto points = newPoints(3);
    qyObj* variable = nullptr;
    qyObjStore(&variable, points[1]);
    qyObjDeleteEach(point.type());
    EXPECT_EQ(qyObjFirst(point.type()), nullptr);
    EXPECT_EQ(point.record.used.next, points[1]);
    EXPECT_EQ(points[1]->fields, nullptr);
    qyObjStore(&variable, nullptr);
    EXPECT_EQ(point.record.used.next, &point.record.used);
}

TEST_F(ObjectRoutinesTest, WalksSkipDeletedObjects) {
    auto points = newPoints(4);
    qyObj* holders[2] = {};
    qyObjStore(&holders[0], points[0]);
    qyObjStore(&holders[1], points[3]);
    qyObjDelete(points[0]);
    qyObjDelete(points[3]);
    EXPECT_EQ(qyObjFirst(point.type()), points[1]);
    EXPECT_EQ(qyObjLast(point.type()), points[2]);
    EXPECT_EQ(qyObjNext(points[2]), nullptr);
    EXPECT_EQ(qyObjPrev(points[1]), nullptr);
    EXPECT_EQ(qyObjNext(points[0]), points[1]);  // from a deleted object still listed
    EXPECT_EQ(qyObjPrev(points[3]), points[2]);
}

TEST_F(ObjectRoutinesTest, EmptyTypeHasNoFirstOrLast) {
    EXPECT_EQ(qyObjFirst(point.type()), nullptr);
    EXPECT_EQ(qyObjLast(point.type()), nullptr);
}

TEST_F(ObjectRoutinesTest, InsBeforeAndInsAfterMoveWithinTheList) {
    auto p = newPoints(4);
    EXPECT_EQ(qyObjInsBefore(p[3], p[0]), p[3]);
    EXPECT_EQ(liveObjects(point.type()), (std::vector{p[3], p[0], p[1], p[2]}));
    EXPECT_EQ(qyObjInsAfter(p[3], p[2]), p[3]);
    EXPECT_EQ(liveObjects(point.type()), (std::vector{p[0], p[1], p[2], p[3]}));
    EXPECT_EQ(qyObjInsAfter(p[0], p[1]), p[0]);
    EXPECT_EQ(liveObjects(point.type()), (std::vector{p[1], p[0], p[2], p[3]}));
    EXPECT_EQ(qyObjLast(point.type()), p[3]);
}

TEST_F(ObjectRoutinesTest, MovingAnObjectOntoItselfChangesNothing) {
    auto p = newPoints(3);
    EXPECT_EQ(qyObjInsAfter(p[1], p[1]), p[1]);
    EXPECT_EQ(qyObjInsBefore(p[1], p[1]), p[1]);
    EXPECT_EQ(liveObjects(point.type()), p);
    EXPECT_EQ(qyObjPrev(p[0]), nullptr);
    EXPECT_EQ(qyObjNext(p[2]), nullptr);
}

TEST_F(ObjectRoutinesTest, ForEachMayDeleteTheCurrentObject) {
    auto p = newPoints(5);
    qyObj* each = nullptr;
    int visited = 0;
    for (int more = qyObjEachFirst(&each, point.type()); more; more = qyObjEachNext(&each)) {
        ++visited;
        if (each->fields[0].integer == 0) qyObjDelete(each);
    }
    EXPECT_EQ(visited, 5);
    EXPECT_EQ(each, nullptr);
    EXPECT_EQ(activeObjectCount(), 0);
    EXPECT_EQ(unreleasedObjectCount(), 0);
}

TEST_F(ObjectRoutinesTest, ForEachOverNoObjectsStoresNull) {
    qyObj* held = qyObjNew(point.type());
    qyObj* each = nullptr;
    qyObjStore(&each, held);
    qyObjDelete(held);
    EXPECT_EQ(qyObjEachFirst(&each, point.type()), 0);
    EXPECT_EQ(each, nullptr);
    EXPECT_EQ(unreleasedObjectCount(), 0);
}

TEST_F(ObjectRoutinesTest, StoringTheHeldObjectAgainKeepsIt) {
    qyObj* object = qyObjNew(point.type());
    qyObj* variable = nullptr;
    qyObjStore(&variable, object);
    qyObjDelete(object);
    qyObjStore(&variable, object);  // its last reference, given back to itself
    EXPECT_EQ(object->refCount, 1);
    EXPECT_EQ(unreleasedObjectCount(), 1);
}

TEST_F(ObjectRoutinesTest, CompareLooksAtLiveness) {
    auto p = newPoints(3);
    qyObj* holders[2] = {};
    qyObjStore(&holders[0], p[0]);
    qyObjStore(&holders[1], p[1]);
    EXPECT_EQ(qyObjCompare(p[0], p[0]), 0);
    EXPECT_EQ(qyObjCompare(p[0], p[1]), 1);
    EXPECT_EQ(qyObjCompare(p[2], nullptr), 1);
    EXPECT_EQ(qyObjCompare(nullptr, nullptr), 0);
    qyObjDelete(p[0]);
    qyObjDelete(p[1]);
    EXPECT_EQ(qyObjCompare(p[0], nullptr), 0);
    EXPECT_EQ(qyObjCompare(nullptr, p[1]), 0);
    EXPECT_EQ(qyObjCompare(p[0], p[1]), 0);
}

TEST_F(ObjectRoutinesTest, StartOfARunResetsTheCounters) {
    newPoints(3);
    objectsStart();
    EXPECT_EQ(activeObjectCount(), 0);
    EXPECT_EQ(unreleasedObjectCount(), 0);
}

}  // namespace
}  // namespace korva::test
