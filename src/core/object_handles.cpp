#include "core/object_handles.h"

#include <unordered_map>

namespace korva {
namespace {

struct HandleMaps {
    std::unordered_map<int32_t, qyObj*> objectOf;
    std::unordered_map<const qyObj*, int32_t> handleOf;
    int32_t lastHandle = 0;
};

HandleMaps handles;

int32_t issueHandle(qyObj* object) {
    const int32_t handle = ++handles.lastHandle;
    handles.objectOf.emplace(handle, object);
    handles.handleOf.emplace(object, handle);
    return handle;
}

}  // namespace

int32_t qyObjToHandle(qyObj* object) {
    if (object == nullptr || object->fields == nullptr) return 0;
    auto found = handles.handleOf.find(object);
    return found != handles.handleOf.end() ? found->second : issueHandle(object);
}

qyObj* qyObjFromHandle(int32_t handle, qyObjType* type) {
    auto found = handles.objectOf.find(handle);
    if (found == handles.objectOf.end() || found->second->type != type) return nullptr;
    return found->second;
}

// Most programs never ask for a handle; deleting their objects then costs no
// lookup.
void forgetHandle(qyObj* object) {
    if (handles.handleOf.empty()) return;
    auto found = handles.handleOf.find(object);
    if (found == handles.handleOf.end()) return;
    handles.objectOf.erase(found->second);
    handles.handleOf.erase(found);
}

void handlesReset() { handles = HandleMaps{}; }

}  // namespace korva
