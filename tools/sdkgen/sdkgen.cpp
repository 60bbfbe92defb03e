// korva-sdkgen: writes korva.h, the C view of every runtime declaration, from
// the runtime's own declaration table, so that the header can never disagree
// with what a program links against.
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "startup/declaration.h"
#include "startup/link_names.h"
#include "tool_cli.h"

namespace {

// Internal symbols carry no signature in their declaration text; their C
// view is kept here, and a declaration missing from this table stops the
// build.
const std::map<std::string, std::string> kInternalPrototypes = {
    {"_qyIntType", "extern const int __qyIntType;"},
    {"_qyFltType", "extern const int __qyFltType;"},
    {"_qyStrType", "extern const int __qyStrType;"},
    {"_qyCStrType", "extern const int __qyCStrType;"},
    {"_qyStrLoad", "qyStr *__qyStrLoad(qyStr **variable);"},
    {"_qyStrRelease", "void __qyStrRelease(qyStr *string);"},
    {"_qyStrStore", "void __qyStrStore(qyStr **variable, qyStr *string);"},
    {"_qyStrCompare", "int __qyStrCompare(qyStr *a, qyStr *b);"},
    {"_qyStrConcat", "qyStr *__qyStrConcat(qyStr *a, qyStr *b);"},
    {"_qyStrToInt", "int __qyStrToInt(qyStr *string);"},
    {"_qyStrFromInt", "qyStr *__qyStrFromInt(int value);"},
    {"_qyStrToFloat", "float __qyStrToFloat(qyStr *string);"},
    {"_qyStrFromFloat", "qyStr *__qyStrFromFloat(float value);"},
    {"_qyStrConst", "qyStr *__qyStrConst(const char *text);"},
    // Objects, type records, array descriptors and data tables are laid out
    // by the program itself, so their addresses travel as void pointers.
    {"_qyObjNew", "void *__qyObjNew(void *type);"},
    {"_qyObjDelete", "void __qyObjDelete(void *object);"},
    {"_qyObjDeleteEach", "void __qyObjDeleteEach(void *type);"},
    {"_qyObjRelease", "void __qyObjRelease(void *object);"},
    {"_qyObjStore", "void __qyObjStore(void *variable, void *object);"},
    {"_qyObjCompare", "int __qyObjCompare(void *a, void *b);"},
    {"_qyObjNext", "void *__qyObjNext(void *object);"},
    {"_qyObjPrev", "void *__qyObjPrev(void *object);"},
    {"_qyObjFirst", "void *__qyObjFirst(void *type);"},
    {"_qyObjLast", "void *__qyObjLast(void *type);"},
    {"_qyObjInsBefore", "void *__qyObjInsBefore(void *moved, void *anchor);"},
    {"_qyObjInsAfter", "void *__qyObjInsAfter(void *moved, void *anchor);"},
    {"_qyObjEachFirst", "int __qyObjEachFirst(void *variable, void *type);"},
    {"_qyObjEachNext", "int __qyObjEachNext(void *variable);"},
    {"_qyObjToStr", "qyStr *__qyObjToStr(void *object);"},
    {"_qyObjToHandle", "int __qyObjToHandle(void *object);"},
    {"_qyObjFromHandle", "void *__qyObjFromHandle(int handle, void *type);"},
    {"_qyNullObjEx", "void __qyNullObjEx(void);"},
    {"_qyDimArray", "int __qyDimArray(void *array);"},
    {"_qyUndimArray", "void __qyUndimArray(void *array);"},
    {"_qyArrayBoundsEx", "void __qyArrayBoundsEx(void);"},
    {"_qyVecAlloc", "void *__qyVecAlloc(void *type);"},
    {"_qyVecFree", "void __qyVecFree(void *storage, void *type);"},
    {"_qyVecBoundsEx", "void __qyVecBoundsEx(void);"},
    {"_qyRestore", "void __qyRestore(const void *entry);"},
    {"_qyReadInt", "int __qyReadInt(void);"},
    {"_qyReadFloat", "float __qyReadFloat(void);"},
    {"_qyReadStr", "qyStr *__qyReadStr(void);"},
    {"_qyAbs", "int __qyAbs(int value);"},
    {"_qySgn", "int __qySgn(int value);"},
    {"_qyMod", "int __qyMod(int a, int b);"},
    {"_qyFAbs", "float __qyFAbs(float value);"},
    {"_qyFSgn", "float __qyFSgn(float value);"},
    {"_qyFMod", "float __qyFMod(float a, float b);"},
    {"_qyFPow", "float __qyFPow(float a, float b);"},
    {"_qyDebugStmt", "void __qyDebugStmt(int a, int b);"},
    {"_qyDebugEnter", "void __qyDebugEnter(int a, int b, int c);"},
    {"_qyDebugLeave", "void __qyDebugLeave(void);"},
};

const std::set<std::string> kCKeywords = {
    "auto", "break", "case", "char", "const", "continue", "default", "do", "double", "else", "enum",
    "extern", "float", "for", "goto", "if", "inline", "int", "long", "register", "restrict", "return",
    "short", "signed", "sizeof", "static", "struct", "switch", "typedef", "union", "unsigned", "void",
    "volatile", "while"};

const char* cTypeOf(char sigil) {
    switch (sigil) {
        case '%': return "int";
        case '#': return "float";
        case '$': return "qyStr *";
        default: return nullptr;
    }
}

bool isSigil(char c) { return cTypeOf(c) != nullptr; }

// "%Instr$string$find%from=1" -> "int _finstr(qyStr *string, qyStr *find, int from);"
std::string commandPrototype(const std::string& declaration) {
    size_t pos = 0;
    const char* result = isSigil(declaration[0]) ? cTypeOf(declaration[pos++]) : "void";
    while (pos < declaration.size() && !isSigil(declaration[pos])) ++pos;
    std::ostringstream out;
    out << result << (std::string(result).back() == '*' ? "" : " ") << korva::linkNameOf(declaration.c_str()) << "(";
    bool first = true;
    while (pos < declaration.size()) {
        const char* type = cTypeOf(declaration[pos++]);
        size_t end = declaration.find_first_of("%#$=", pos);
        std::string name = declaration.substr(pos, end - pos);
        if (kCKeywords.count(name)) name += '_';
        if (end != std::string::npos && declaration[end] == '=') end = declaration.find_first_of("%#$", end);
        pos = end == std::string::npos ? declaration.size() : end;
        out << (first ? "" : ", ") << type << (std::string(type).back() == '*' ? "" : " ") << name;
        first = false;
    }
    out << (first ? "void" : "") << ");";
    return out.str();
}

const korva::tool::Tool kTool{"korva-sdkgen", "usage: korva-sdkgen OUTPUT.h\n",
                              "\n"
                              "Writes the C header of every runtime declaration.\n"
                              "\n"
                              "Exit status: 0 when the header is written, 1 when it cannot be, 2 for a\n"
                              "usage error.\n"};

}  // namespace

int main(int argc, char** argv) {
    using korva::tool::failure;
    if (argc == 2 && korva::tool::isHelp(argv[1])) return korva::tool::help(kTool);
    if (argc != 2 || argv[1][0] == '-') return korva::tool::usageError(kTool, "expected one OUTPUT file");
    std::ostringstream header;
    header << "/* Generated by korva-sdkgen from the runtime's declaration table. Do not edit. */\n"
              "#ifndef KORVA_H\n#define KORVA_H\n\n#include \"korva_base.h\"\n";
    for (const korva::ModuleDefinition* module : korva::linkOrder()) {
        header << "\n/* module " << module->name << " */\n";
        for (const korva::Declaration& declaration : module->declarations) {
            const std::string text = declaration.text;
            header << "/* " << text << " */\n";
            if (text[0] != '_') {
                header << commandPrototype(text) << "\n";
                continue;
            }
            auto prototype = kInternalPrototypes.find(text);
            if (prototype == kInternalPrototypes.end())
                return failure(kTool, "no C prototype for internal symbol " + text);
            header << prototype->second << "\n";
        }
    }
    header << "\n#include \"korva_helpers.h\"\n\n#endif\n";
    std::ofstream out(argv[1], std::ios::trunc);
    out << header.str();
    out.close();
    return out ? korva::tool::kSucceeded : failure(kTool, std::string(argv[1]) + ": cannot write it");
}
