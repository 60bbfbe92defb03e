#include "startup/declaration_table.h"

namespace korva {

void DeclarationTable::fill() {
    for (const ModuleDefinition* module : linkOrder()) {
        for (const Declaration& declaration : module->declarations) {
            entries_.push_back(declaration);
            addresses_[declaration.text] = declaration.address;
        }
    }
    cursor_ = 0;
}

const char* DeclarationTable::next() {
    if (entries_.empty()) fill();
    if (cursor_ == entries_.size()) {
        clear();
        return nullptr;
    }
    return entries_[cursor_++].text;
}

int32_t DeclarationTable::valueOf(const char* text) const {
    auto found = addresses_.find(text);
    if (found == addresses_.end()) return -1;
    return static_cast<int32_t>(reinterpret_cast<uintptr_t>(found->second));
}

void DeclarationTable::clear() {
    entries_.clear();
    addresses_.clear();
    cursor_ = 0;
}

}  // namespace korva
