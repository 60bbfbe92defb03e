// The text dump of an object: its fields in order, nested objects dumped in
// place, a reference back to the outermost object as "[ROOT]" and anything
// nested deeper than eight levels as "....".
#include <algorithm>
#include <cstring>

#include "core/number_text.h"
#include "core/object_routines.h"
#include "core/str_pool.h"

namespace korva {
namespace {

constexpr int kDeepestDump = 8;

struct DumpState {
    int depth = 0;
    const qyObj* root = nullptr;
};

void appendText(qyStr* out, const char* text) { strAppend(out, text, std::strlen(text)); }

void appendObject(qyStr* out, qyObj* object, DumpState& state);

void appendField(qyStr* out, TypeRecord type, Word value, DumpState& state) {
    char number[std::max(kFloatTextCapacity, kIntTextCapacity)];
    switch (kindOf(type)) {
        case kIntKind: strAppend(out, number, static_cast<size_t>(formatInt(value.integer, number))); break;
        case kFloatKind: strAppend(out, number, static_cast<size_t>(formatFloat(value.real, number))); break;
        case kStrKind:
            appendText(out, "\"");
            strAppend(out, strText(value.str), strLength(value.str));
            appendText(out, "\"");
            break;
        case kObjectKind: appendObject(out, value.object, state); break;
        default: appendText(out, "???"); break;
    }
}

void appendFields(qyStr* out, qyObj* object, DumpState& state) {
    const TypeRecord* types = fieldTypes(object->type);
    appendText(out, "[");
    for (int32_t i = 0; i < object->type->fieldCount; ++i) {
        if (i > 0) appendText(out, ",");
        appendField(out, types[i], object->fields[i], state);
    }
    appendText(out, "]");
}

void appendObject(qyStr* out, qyObj* object, DumpState& state) {
    if (object == nullptr || object->fields == nullptr) return appendText(out, "[NULL]");
    if (object == state.root) return appendText(out, "[ROOT]");
    if (state.depth == kDeepestDump) return appendText(out, "....");
    const DumpState outer = state;
    ++state.depth;
    if (state.root == nullptr) state.root = object;
    appendFields(out, object, state);
    state = outer;
}

}  // namespace

// The recursion state lives only as long as one dump, so a dump cut short by
// a fault leaves nothing behind for the next.
qyStr* qyObjToStr(qyObj* object) {
    qyStr* text = strNew();
    DumpState state;
    appendObject(text, object, state);
    return text;
}

}  // namespace korva
