// File streams and the file-system commands: opening, closing and
// positioning files, directory listings, the current directory, creating,
// copying and deleting.
#include <cstdint>
#include <new>
#include <set>

#include "core/str_pool.h"
#include "files/file_stream.h"
#include "core/handle.h"
#include "platform/host_path.h"
#include "platform/platform_file_system.h"
#include "platform/platform_runtime.h"
#include "startup/declaration.h"
#include "startup/error.h"

namespace korva {
namespace {

PlatformFileSystem* fileSystem = nullptr;  // while the module runs
std::set<qyFileStream*> openFiles;

// Every command releases the strings it is given; this one is the last use
// of the argument.
class PathArgument {
public:
    explicit PathArgument(qyStr* text) : text_(text) {}
    ~PathArgument() { strRelease(text_); }
    PathArgument(const PathArgument&) = delete;
    PathArgument& operator=(const PathArgument&) = delete;
    const char* text() const { return strText(text_); }

private:
    qyStr* text_;
};

int32_t openFile(qyStr* name, qyFileStream::Mode mode) {
    qyFileStream* file = qyFileStream::open(hostPath(PathArgument(name).text()).c_str(), mode);
    if (file == nullptr) return 0;
    try {
        openFiles.insert(file);
    } catch (const std::bad_alloc&) {
        delete file;
        return 0;
    }
    return handleOf(file);
}

int32_t cmdOpenFile(qyStr* name) { return openFile(name, qyFileStream::Mode::update); }
int32_t cmdReadFile(qyStr* name) { return openFile(name, qyFileStream::Mode::read); }
int32_t cmdWriteFile(qyStr* name) { return openFile(name, qyFileStream::Mode::write); }

void cmdCloseFile(int32_t handle) {
    auto* file = objectOf<qyFileStream>(handle);
    if (openFiles.erase(file) != 0) {
        delete file;
    } else if (debugMode) {
        raiseRuntimeError("File does not exist");
    }
}

// Position commands trust their handle, even under the debugger.
int32_t cmdFilePos(int32_t handle) { return objectOf<qyFileStream>(handle)->position(); }
int32_t cmdSeekFile(int32_t handle, int32_t position) { return objectOf<qyFileStream>(handle)->seek(position); }

int32_t cmdReadDir(qyStr* name) { return handleOf(fileSystem->openDir(PathArgument(name).text())); }

void cmdCloseDir(int32_t handle) { fileSystem->closeDir(objectOf<PlatformDir>(handle)); }

qyStr* cmdNextFile(int32_t handle) {
    auto* dir = objectOf<PlatformDir>(handle);
    if (debugMode && fileSystem->verifyDir(dir) == nullptr) raiseRuntimeError("Directory does not exist");
    const char* name = dir->pendingName();
    if (name == nullptr) return strNew();
    qyStr* result = strFromText(name);
    dir->advance();
    return result;
}

qyStr* cmdCurrentDir() { return strFromText(fileSystem->getCurrentDir().c_str()); }

// The system's verdict is not reported; programs look with FileType.
void cmdChangeDir(qyStr* name) { fileSystem->setCurrentDir(PathArgument(name).text()); }
void cmdCreateDir(qyStr* name) { fileSystem->createDir(PathArgument(name).text()); }
void cmdDeleteDir(qyStr* name) { fileSystem->deleteDir(PathArgument(name).text()); }
void cmdDeleteFile(qyStr* name) { fileSystem->deleteFile(PathArgument(name).text()); }

void cmdCopyFile(qyStr* from, qyStr* to) {
    const PathArgument source(from), target(to);
    fileSystem->copyFile(source.text(), target.text());
}

int32_t cmdFileSize(qyStr* name) { return fileSystem->getFileSize(PathArgument(name).text()); }
int32_t cmdFileType(qyStr* name) { return fileSystem->getFileType(PathArgument(name).text()); }

const Declaration kFilesystemDeclarations[] = {
    {"%OpenFile$filename", routine<cmdOpenFile>},
    {"%ReadFile$filename", routine<cmdReadFile>},
    {"%WriteFile$filename", routine<cmdWriteFile>},
    {"CloseFile%file_stream", routine<cmdCloseFile>},
    {"%FilePos%file_stream", routine<cmdFilePos>},
    {"%SeekFile%file_stream%pos", routine<cmdSeekFile>},
    {"%ReadDir$dirname", routine<cmdReadDir>},
    {"CloseDir%dir", routine<cmdCloseDir>},
    {"$NextFile%dir", routine<cmdNextFile>},
    {"$CurrentDir", routine<cmdCurrentDir>},
    {"ChangeDir$dir", routine<cmdChangeDir>},
    {"CreateDir$dir", routine<cmdCreateDir>},
    {"DeleteDir$dir", routine<cmdDeleteDir>},
    {"%FileSize$file", routine<cmdFileSize>},
    {"%FileType$file", routine<cmdFileType>},
    {"CopyFile$file$to", routine<cmdCopyFile>},
    {"DeleteFile$file", routine<cmdDeleteFile>},
};

bool filesystemCreate() {
    fileSystem = PlatformRuntime::current()->openFileSystem();
    return fileSystem != nullptr;
}

// Files the program left open are closed (and flushed) here; the platform
// runtime closes the directory listings with the file system.
void filesystemDestroy() {
    while (!openFiles.empty()) {
        qyFileStream* file = *openFiles.begin();
        openFiles.erase(openFiles.begin());
        delete file;
    }
    PlatformRuntime::current()->closeFileSystem(fileSystem);
    fileSystem = nullptr;
}

}  // namespace

extern const ModuleDefinition filesystemModule{"filesystem", kFilesystemDeclarations, filesystemCreate,
                                               filesystemDestroy};

}  // namespace korva
