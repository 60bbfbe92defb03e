// Memory banks: resizable blocks of bytes that programs address by offset,
// move to and from streams and pass to external libraries.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <set>

#include "core/block_registry.h"
#include "core/str_pool.h"
#include "files/bank.h"
#include "core/handle.h"
#include "files/stream.h"
#include "platform/platform_runtime.h"
#include "startup/declaration.h"
#include "startup/error.h"

namespace korva {
namespace {

std::set<qyBank*> liveBanks;

int64_t roundedUpTo16(int64_t bytes) { return (bytes + 15) / 16 * 16; }

// Storage for a bank; running out of memory ends the program ("Out of
// memory") as it does anywhere in the runtime.
uint8_t* allocateBankData(int64_t capacity) {
    if (capacity > INT32_MAX) failOutOfMemory();
    void* data = std::malloc(static_cast<size_t>(std::max<int64_t>(capacity, 1)));
    if (data == nullptr) failOutOfMemory();
    return static_cast<uint8_t*>(data);
}

qyBank* bankFromHandle(int32_t handle) {
    auto* bank = objectOf<qyBank>(handle);
    if (debugMode && liveBanks.count(bank) == 0) raiseRuntimeError("qyBank does not exist");
    return bank;
}

// The bank, after checking under the debugger that [offset, offset + width)
// lies inside it. A negative width is never a range.
qyBank* bankRange(int32_t handle, int32_t offset, int32_t width) {
    qyBank* bank = bankFromHandle(handle);
    if (debugMode && (offset < 0 || width < 0 || int64_t{offset} + width > bank->size))
        raiseRuntimeError("Offset out of range");
    return bank;
}

// A negative size is taken as 0.
int32_t cmdCreateBank(int32_t size) {
    size = std::max(size, 0);
    const int64_t capacity = roundedUpTo16(size);
    auto* bank = new (std::nothrow) qyBank{allocateBankData(capacity), size, static_cast<int32_t>(capacity)};
    if (bank == nullptr) failOutOfMemory();
    std::memset(bank->data, 0, static_cast<size_t>(size));
    liveBanks.insert(bank);
    return handleOf(bank);
}

// Unknown handles are ignored, under the debugger too.
void cmdFreeBank(int32_t handle) {
    auto* bank = objectOf<qyBank>(handle);
    if (liveBanks.erase(bank) == 0) return;
    std::free(bank->data);
    delete bank;
}

int32_t cmdBankSize(int32_t handle) { return bankFromHandle(handle)->size; }

// A bank outgrowing its block moves to one half as large again (at least
// the new size), so repeated growth stays linear.
void moveToLargerBlock(qyBank& bank, int32_t size) {
    const int64_t capacity = roundedUpTo16(std::max<int64_t>(int64_t{bank.capacity} * 3 / 2, size));
    uint8_t* data = allocateBankData(capacity);
    std::memcpy(data, bank.data, static_cast<size_t>(bank.size));
    std::free(bank.data);
    bank.data = data;
    bank.capacity = static_cast<int32_t>(capacity);
}

// A negative size is taken as 0.
void cmdResizeBank(int32_t handle, int32_t size) {
    qyBank* bank = bankFromHandle(handle);
    size = std::max(size, 0);
    if (size > bank->capacity) moveToLargerBlock(*bank, size);
    if (size > bank->size) std::memset(bank->data + bank->size, 0, static_cast<size_t>(size - bank->size));
    bank->size = size;
}

// The ranges may overlap, within one bank too.
void cmdCopyBank(int32_t sourceHandle, int32_t sourceOffset, int32_t destinationHandle, int32_t destinationOffset,
                 int32_t count) {
    qyBank* source = bankRange(sourceHandle, sourceOffset, count);
    qyBank* destination = bankRange(destinationHandle, destinationOffset, count);
    if (count <= 0) return;
    std::memmove(destination->data + destinationOffset, source->data + sourceOffset, static_cast<size_t>(count));
}

// Values lie little-endian at any offset, aligned or not.
template <class Value>
Value peek(int32_t handle, int32_t offset) {
    qyBank* bank = bankRange(handle, offset, sizeof(Value));
    Value value;
    std::memcpy(&value, bank->data + offset, sizeof value);
    return value;
}

template <class Value>
void poke(int32_t handle, int32_t offset, Value value) {
    qyBank* bank = bankRange(handle, offset, sizeof(Value));
    std::memcpy(bank->data + offset, &value, sizeof value);
}

int32_t cmdPeekByte(int32_t bank, int32_t offset) { return peek<uint8_t>(bank, offset); }
int32_t cmdPeekShort(int32_t bank, int32_t offset) { return peek<uint16_t>(bank, offset); }
int32_t cmdPeekInt(int32_t bank, int32_t offset) { return peek<int32_t>(bank, offset); }
float cmdPeekFloat(int32_t bank, int32_t offset) { return peek<float>(bank, offset); }

void cmdPokeByte(int32_t bank, int32_t offset, int32_t value) { poke(bank, offset, static_cast<uint8_t>(value)); }
void cmdPokeShort(int32_t bank, int32_t offset, int32_t value) { poke(bank, offset, static_cast<uint16_t>(value)); }
void cmdPokeInt(int32_t bank, int32_t offset, int32_t value) { poke(bank, offset, value); }
void cmdPokeFloat(int32_t bank, int32_t offset, float value) { poke(bank, offset, value); }

int32_t cmdReadBytes(int32_t bankHandle, int32_t streamHandle, int32_t offset, int32_t count) {
    qyBank* bank = bankRange(bankHandle, offset, count);
    return streamFromHandle(streamHandle)->read(bank->data + offset, count);
}

int32_t cmdWriteBytes(int32_t bankHandle, int32_t streamHandle, int32_t offset, int32_t count) {
    qyBank* bank = bankRange(bankHandle, offset, count);
    return streamFromHandle(streamHandle)->write(bank->data + offset, count);
}

struct BankView {
    void* data;
    int32_t size;
};

// Bank 0 passes no memory.
BankView viewOf(int32_t handle) {
    if (handle == 0) return {nullptr, 0};
    qyBank* bank = bankFromHandle(handle);
    return {bank->data, bank->size};
}

int32_t cmdCallDLL(qyStr* library, qyStr* function, int32_t inBank, int32_t outBank) {
    const BankView in = viewOf(inBank);
    const BankView out = viewOf(outBank);
    const int32_t result =
        PlatformRuntime::current()->callDll(strText(library), strText(function), in.data, in.size, out.data, out.size);
    strRelease(library);
    strRelease(function);
    return result;
}

const Declaration kBankDeclarations[] = {
    {"%CreateBank%size=0", routine<cmdCreateBank>},
    {"FreeBank%bank", routine<cmdFreeBank>},
    {"%BankSize%bank", routine<cmdBankSize>},
    {"ResizeBank%bank%size", routine<cmdResizeBank>},
    {"CopyBank%src_bank%src_offset%dest_bank%dest_offset%count", routine<cmdCopyBank>},
    {"%PeekByte%bank%offset", routine<cmdPeekByte>},
    {"%PeekShort%bank%offset", routine<cmdPeekShort>},
    {"%PeekInt%bank%offset", routine<cmdPeekInt>},
    {"#PeekFloat%bank%offset", routine<cmdPeekFloat>},
    {"PokeByte%bank%offset%value", routine<cmdPokeByte>},
    {"PokeShort%bank%offset%value", routine<cmdPokeShort>},
    {"PokeInt%bank%offset%value", routine<cmdPokeInt>},
    {"PokeFloat%bank%offset#value", routine<cmdPokeFloat>},
    {"%ReadBytes%bank%file%offset%count", routine<cmdReadBytes>},
    {"%WriteBytes%bank%file%offset%count", routine<cmdWriteBytes>},
    {"%CallDLL$dll_name$func_name%in_bank=0%out_bank=0", routine<cmdCallDLL>},
};

void bankDestroy() {
    while (!liveBanks.empty()) cmdFreeBank(handleOf(*liveBanks.begin()));
}

}  // namespace

extern const ModuleDefinition bankModule{"bank", kBankDeclarations, nullptr, bankDestroy};

}  // namespace korva
