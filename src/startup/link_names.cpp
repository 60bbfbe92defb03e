#include "startup/link_names.h"

namespace korva {
namespace {

// ASCII only: declaration texts are fixed and no locale may change the result.
bool isAsciiAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string linkNameOf(const char* declaration) {
    if (declaration[0] == '_') return std::string("_") + declaration;
    const char* name = declaration;
    if (*name != '\0' && !isAsciiAlnum(*name)) ++name;  // result-type sigil
    std::string linkName = "_f";
    for (; *name != '\0' && (isAsciiAlnum(*name) || *name == '_'); ++name)
        linkName += asciiLower(*name);
    return linkName;
}

}  // namespace korva
