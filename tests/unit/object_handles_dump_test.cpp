#include <string>

#include "core/object_handles.h"
#include "core/object_routines.h"
#include "language_core_support.h"

namespace korva::test {
namespace {

class ObjectHandlesTest : public LanguageCoreTest {
protected:
    UserType<1> ship{{&kIntTypeWord}};
    UserType<1> rock{{&kIntTypeWord}};
};

TEST_F(ObjectHandlesTest, HandlesStartAtOneAndAreStable) {
    qyObj* first = qyObjNew(ship.type());
    qyObj* second = qyObjNew(ship.type());
    EXPECT_EQ(qyObjToHandle(second), 1);
    EXPECT_EQ(qyObjToHandle(first), 2);
    EXPECT_EQ(qyObjToHandle(second), 1);
    EXPECT_EQ(qyObjFromHandle(1, ship.type()), second);
    EXPECT_EQ(qyObjFromHandle(2, ship.type()), first);
}

TEST_F(ObjectHandlesTest, NullAndDeletedObjectsHaveNoHandle) {
    EXPECT_EQ(qyObjToHandle(nullptr), 0);
    qyObj* object = qyObjNew(ship.type());
    qyObj* variable = nullptr;
    qyObjStore(&variable, object);
    qyObjDelete(object);
    EXPECT_EQ(qyObjToHandle(object), 0);
}

TEST_F(ObjectHandlesTest, DeletionInvalidatesTheHandleForGood) {
    qyObj* object = qyObjNew(ship.type());
    const int32_t handle = qyObjToHandle(object);
    qyObjDelete(object);
    EXPECT_EQ(qyObjFromHandle(handle, ship.type()), nullptr);
    // The storage comes back for a new object, which gets a new handle.
    qyObj* successor = nullptr;
    for (int i = 0; i < 512 && successor != object; ++i) successor = qyObjNew(ship.type());
    ASSERT_EQ(successor, object);
    EXPECT_EQ(qyObjFromHandle(handle, ship.type()), nullptr);
    EXPECT_EQ(qyObjToHandle(successor), handle + 1);
}

TEST_F(ObjectHandlesTest, AnotherTypeOrAnUnissuedHandleGivesNull) {
    const int32_t handle = qyObjToHandle(qyObjNew(ship.type()));
    EXPECT_EQ(qyObjFromHandle(handle, rock.type()), nullptr);
    EXPECT_EQ(qyObjFromHandle(handle + 1, ship.type()), nullptr);
    EXPECT_EQ(qyObjFromHandle(0, ship.type()), nullptr);
    EXPECT_EQ(qyObjFromHandle(-1, ship.type()), nullptr);
}

TEST_F(ObjectHandlesTest, ANewRunStartsCountingAgain) {
    qyObjToHandle(qyObjNew(ship.type()));
    objectsStart();
    EXPECT_EQ(qyObjFromHandle(1, ship.type()), nullptr);
    EXPECT_EQ(qyObjToHandle(qyObjNew(ship.type())), 1);
}

class ObjectDumpTest : public LanguageCoreTest {
protected:
    UserType<3> point{{&kIntTypeWord, &kFloatTypeWord, &kStrTypeWord}};
    UserType<2> link{{&kIntTypeWord, nullptr}};  // a number, then another link

    void SetUp() override {
        LanguageCoreTest::SetUp();
        link.fields[1] = link.asField();
    }

    qyObj* newLink(int32_t number) {
        qyObj* object = qyObjNew(link.type());
        object->fields[0].integer = number;
        return object;
    }

    static void refer(qyObj* from, qyObj* to) { qyObjStore(&from->fields[1].object, to); }
};

TEST_F(ObjectDumpTest, FieldsInOrder) {
    qyObj* object = qyObjNew(point.type());
    object->fields[0].integer = 1;
    object->fields[1].real = 2.5f;
    object->fields[2].str = strFromText("hi");
    EXPECT_EQ(consumed(qyObjToStr(object)), "[1,2.5,\"hi\"]");
}

TEST_F(ObjectDumpTest, NewObjectShowsItsZeroes) {
    qyObj* object = qyObjNew(point.type());
    object->fields[0].integer = -2147483647 - 1;
    EXPECT_EQ(consumed(qyObjToStr(object)), "[-2147483648,0.0,\"\"]");
}

TEST_F(ObjectDumpTest, NullAndDeletedAreNull) {
    EXPECT_EQ(consumed(qyObjToStr(nullptr)), "[NULL]");
    qyObj* object = qyObjNew(point.type());
    qyObj* variable = nullptr;
    qyObjStore(&variable, object);
    qyObjDelete(object);
    EXPECT_EQ(consumed(qyObjToStr(object)), "[NULL]");
    EXPECT_EQ(consumed(qyObjToStr(newLink(3))), "[3,[NULL]]");
}

TEST_F(ObjectDumpTest, SelfReferenceIsRoot) {
    qyObj* self = newLink(7);
    refer(self, self);
    EXPECT_EQ(consumed(qyObjToStr(self)), "[7,[ROOT]]");
}

TEST_F(ObjectDumpTest, CycleBackToTheOutermostIsRoot) {
    qyObj* a = newLink(1);
    qyObj* b = newLink(2);
    refer(a, b);
    refer(b, a);
    EXPECT_EQ(consumed(qyObjToStr(a)), "[1,[2,[ROOT]]]");
    EXPECT_EQ(consumed(qyObjToStr(b)), "[2,[1,[ROOT]]]");
}

TEST_F(ObjectDumpTest, OtherCyclesStopAtDepthEight) {
    qyObj* outer = newLink(0);
    qyObj* spinning = newLink(9);
    refer(outer, spinning);
    refer(spinning, spinning);
    std::string expected = "[0,";
    for (int depth = 1; depth < 8; ++depth) expected += "[9,";
    expected += "....";
    expected += std::string(8, ']');
    EXPECT_EQ(consumed(qyObjToStr(outer)), expected);
    // The depth and the root are back to their start for the next dump.
    EXPECT_EQ(consumed(qyObjToStr(spinning)), "[9,[ROOT]]");
}

TEST_F(ObjectDumpTest, AChainOfEightIsShownWhole) {
    qyObj* links[9];
    for (int i = 0; i < 9; ++i) links[i] = newLink(i);
    for (int i = 0; i < 8; ++i) refer(links[i], links[i + 1]);
    links[8]->fields[1].object = nullptr;
    std::string nine;
    for (int i = 0; i < 8; ++i) nine += "[" + std::to_string(i) + ",";
    EXPECT_EQ(consumed(qyObjToStr(links[0])), nine + "...." + std::string(8, ']'));
    EXPECT_EQ(consumed(qyObjToStr(links[1])), "[1,[2,[3,[4,[5,[6,[7,[8,[NULL]]]]]]]]]");
}

TEST_F(ObjectDumpTest, VectorsAreUnknown) {
    const qyVecType scores{kVectorKind, 3, &kIntTypeWord};
    UserType<2> player{{&scores.kind, &kFloatTypeWord}};
    qyObj* object = qyObjNew(player.type());
    object->fields[1].real = 0.0001f;
    EXPECT_EQ(consumed(qyObjToStr(object)), "[???,1.e-004]");
}

TEST_F(ObjectDumpTest, NoFieldsIsEmptyBrackets) {
    UserType<0> marker{{}};
    EXPECT_EQ(consumed(qyObjToStr(qyObjNew(marker.type()))), "[]");
}

TEST_F(ObjectDumpTest, LongStringFieldIsCopiedWhole) {
    qyObj* object = qyObjNew(point.type());
    const std::string longText(300, 'x');
    object->fields[2].str = strFromText(longText.c_str());
    EXPECT_EQ(consumed(qyObjToStr(object)), "[0,0.0,\"" + longText + "\"]");
}

}  // namespace
}  // namespace korva::test
