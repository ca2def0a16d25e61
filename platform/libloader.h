// Run-time loading of shared libraries by path, the one loader of the
// project: the main program's GainPass and MpegPack, voxform's codec.
// The library stays loaded for the life of the object, as the original
// libraries stayed loaded once bound.
#pragma once

#include <QString>

namespace qlm {

class SharedLibrary {
public:
    SharedLibrary() = default;
    // Loads at once; check IsLoaded() and ErrorText().
    explicit SharedLibrary(const QString& path);
    ~SharedLibrary();
    SharedLibrary(SharedLibrary&& other) noexcept;
    SharedLibrary& operator=(SharedLibrary&& other) noexcept;
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // Loads the library at the path (a text without "/" is taken as a path
    // in the current folder, never searched for). Unloads what was loaded
    // before. Binds every symbol at once, so a library with unresolved
    // references fails here and not in the middle of a call. Returns false
    // with ErrorText() set on failure.
    bool Load(const QString& path);
    void Unload();
    bool IsLoaded() const { return handle_ != nullptr; }
    QString Path() const { return path_; }

    // The address of an exported symbol, or nullptr with ErrorText() set.
    void* Symbol(const char* name);
    // The same, cast to a function pointer type: Function<int (*)(int)>("f").
    template <typename F>
    F Function(const char* name) {
        return reinterpret_cast<F>(Symbol(name));
    }

    // Why the last Load or Symbol failed; empty after success.
    QString ErrorText() const { return error_; }

private:
    void* handle_ = nullptr;
    QString path_;
    QString error_;
};

}  // namespace qlm
