#include "graphics/typed_line.h"

namespace korva {

void TypedLine::clear() {
    text_.clear();
    caret_ = 0;
}

bool TypedLine::edit(int32_t code) {
    switch (code) {
        case kKeyBackspace:
            if (caret_ > 0) text_.erase(--caret_, 1);
            return true;
        case kKeyDelete:
            if (caret_ < text_.size()) text_.erase(caret_, 1);
            return true;
        case kKeyHome: caret_ = 0; return true;
        case kKeyEnd: caret_ = text_.size(); return true;
        case kKeyLeft:
            if (caret_ > 0) --caret_;
            return true;
        case kKeyRight:
            if (caret_ < text_.size()) ++caret_;
            return true;
        default: return false;
    }
}

}  // namespace korva
