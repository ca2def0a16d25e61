#include "platform/libloader.h"

#include <dlfcn.h>

#include <utility>

#include <QFile>
#include <QFileInfo>

#include "platform/filename.h"

namespace qlm {

SharedLibrary::SharedLibrary(const QString& path) { Load(path); }

SharedLibrary::~SharedLibrary() { Unload(); }

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), path_(std::move(other.path_)), error_(std::move(other.error_)) {}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
    if (this != &other) {
        Unload();
        handle_ = std::exchange(other.handle_, nullptr);
        path_ = std::move(other.path_);
        error_ = std::move(other.error_);
    }
    return *this;
}

bool SharedLibrary::Load(const QString& path) {
    Unload();
    error_.clear();
    if (path.isEmpty()) {
        error_ = QStringLiteral("no library path given");
        return false;
    }
    // dlopen searches the library path for a bare name; the original loaded
    // from a known folder only, so a bare name means the current folder.
    const QString absolute = QFileInfo(path).absoluteFilePath();
    dlerror();
    handle_ = dlopen(EncodeName(absolute).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* reason = dlerror();
        error_ = reason ? QString::fromLocal8Bit(reason) : absolute + QStringLiteral(": cannot be loaded");
        return false;
    }
    path_ = absolute;
    return true;
}

void SharedLibrary::Unload() {
    if (handle_)
        dlclose(handle_);
    handle_ = nullptr;
    path_.clear();
}

void* SharedLibrary::Symbol(const char* name) {
    if (!handle_) {
        error_ = QStringLiteral("no library loaded");
        return nullptr;
    }
    dlerror();
    void* address = dlsym(handle_, name);
    if (!address) {
        const char* reason = dlerror();
        error_ = reason ? QString::fromLocal8Bit(reason)
                        : path_ + QStringLiteral(": symbol ") + QString::fromLatin1(name) + QStringLiteral(" is null");
        return nullptr;
    }
    error_.clear();
    return address;
}

}  // namespace qlm
