// korva-mkimage: turns i386 ELF relocatable objects into a Korva module image,
// and prints the tables of an existing image for developers.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "elf_object.h"
#include "image_builder.h"
#include "image_file.h"
#include "little_endian.h"
#include "tool_cli.h"
#include "tool_error.h"

namespace korva::mkimage {
namespace {

const tool::Tool kTool{
    "korva-mkimage",
    "usage: korva-mkimage -o OUTPUT OBJECT...\n"
    "       korva-mkimage --dump IMAGE\n",
    "\n"
    "Turns i386 ELF relocatable objects (gcc -m32 -c -fno-pic -fno-pie ..., or as --32)\n"
    "into a Korva module image. One object must define the entry function __MAIN.\n"
    "References the objects do not define are left for the runtime to link.\n"
    "\n"
    "  -o OUTPUT     write the image to OUTPUT\n"
    "  --dump IMAGE  print an image's code size and its module symbol, relative\n"
    "                relocation and absolute relocation tables (offsets in hex,\n"
    "                with the addend each relocation site holds)\n"
    "  --help        print this help and exit\n"
    "\n"
    "Exit status: 0 when done, 1 when an input cannot be used or the output\n"
    "cannot be written, 2 for a usage error.\n"};

struct Options {
  std::optional<std::string> output;
  std::optional<std::string> dumpImage;
  std::vector<std::string> objects;
  bool help = false;
};

std::string optionValue(int argc, char** argv, int& index) {
  if (index + 1 >= argc) throw UsageError(std::string("option ") + argv[index] + " needs a file name");
  return argv[++index];
}

Options parseOptions(int argc, char** argv) {
  Options options;
  bool optionsEnded = false;
  for (int index = 1; index < argc; ++index) {
    std::string argument = argv[index];
    if (optionsEnded || argument.empty() || argument[0] != '-') {
      options.objects.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (tool::isHelp(argument.c_str())) {
      options.help = true;
    } else if (argument == "-o") {
      options.output = optionValue(argc, argv, index);
    } else if (argument == "--dump") {
      options.dumpImage = optionValue(argc, argv, index);
    } else {
      throw UsageError("unknown option " + argument);
    }
  }
  return options;
}

std::vector<std::uint8_t> readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw ToolError(path + ": cannot open (" + std::strerror(errno) + ")");
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad()) throw ToolError(path + ": cannot read (" + std::strerror(errno) + ")");
  return bytes;
}

// Writes the whole file or, on failure, removes what was written so that no
// truncated image is left behind.
void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) throw ToolError(path + ": cannot create (" + std::strerror(errno) + ")");
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) {
    std::string reason = std::strerror(errno);
    std::remove(path.c_str());
    throw ToolError(path + ": cannot write (" + reason + ")");
  }
}

std::string hexOffset(std::int32_t offset) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(offset));
  return text;
}

bool holdsSite(const ModuleImage& image, std::int32_t offset) {
  return offset >= 0 && static_cast<std::uint64_t>(offset) + 4 <= image.code.size();
}

void printSymbols(const ModuleImage& image) {
  std::cout << "module symbols " << image.symbols.size() << '\n';
  for (const ImageEntry& entry : image.symbols) {
    bool inside = entry.offset >= 0 && static_cast<std::uint64_t>(entry.offset) < image.code.size();
    std::cout << "  " << hexOffset(entry.offset) << ' ' << entry.name << (inside ? "" : "  (outside the code)")
              << '\n';
  }
}

void printRelocations(const char* title, const ModuleImage& image, const std::vector<ImageEntry>& table) {
  std::cout << title << ' ' << table.size() << '\n';
  for (const ImageEntry& entry : table) {
    std::cout << "  " << hexOffset(entry.offset) << ' ' << entry.name;
    if (holdsSite(image, entry.offset)) {
      auto addend = static_cast<std::int32_t>(loadU32(image.code, static_cast<std::size_t>(entry.offset)));
      std::cout << " addend " << addend << '\n';
    } else {
      std::cout << "  (site outside the code)\n";
    }
  }
}

void dumpImage(const std::string& path) {
  ModuleImage image = decodeModuleImage(readFile(path), path);
  std::cout << "code size " << image.code.size() << '\n';
  printSymbols(image);
  printRelocations("relative relocations", image, image.relativeRelocations);
  printRelocations("absolute relocations", image, image.absoluteRelocations);
}

void makeImage(const std::string& output, const std::vector<std::string>& objectPaths) {
  std::vector<ElfObject> objects;
  for (const std::string& path : objectPaths) objects.push_back(ElfObject::parse(path, readFile(path)));
  writeFile(output, encodeModuleImage(buildModuleImage(objects)));
}

int run(int argc, char** argv) {
  Options options = parseOptions(argc, argv);
  if (options.help) return tool::help(kTool);
  if (options.dumpImage) {
    if (options.output || !options.objects.empty()) throw UsageError("--dump takes one image and nothing else");
    dumpImage(*options.dumpImage);
    return tool::kSucceeded;
  }
  if (!options.output) throw UsageError("no output file given (use -o OUTPUT)");
  if (options.objects.empty()) throw UsageError("no input objects given");
  makeImage(*options.output, options.objects);
  return tool::kSucceeded;
}

}  // namespace
}  // namespace korva::mkimage

int main(int argc, char** argv) {
  using korva::mkimage::kTool;
  try {
    return korva::mkimage::run(argc, argv);
  } catch (const korva::mkimage::UsageError& error) {
    return korva::tool::usageError(kTool, error.what());
  } catch (const std::bad_alloc&) {
    return korva::tool::failure(kTool, "out of memory");
  } catch (const std::exception& error) {
    return korva::tool::failure(kTool, error.what());
  }
}
