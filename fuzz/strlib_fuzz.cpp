// Any bytes as the string library file: loading never fails other than with
// a status, every value stays within the callers' buffer, and the tables
// agree with a direct read of the same file.
#include <cstdint>
#include <string>

#include <QString>

#include "app/strings/strlib.h"
#include "fuzz/fuzzutil.h"
#include "platform/privateprofile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::ScratchFolder() + "/strLib.ini";
    if (!fuzz::WriteFile(path, data, size))
        return 0;
    const QString file = QString::fromStdString(path);
    const QString section = QString::fromLatin1(qlm::kStringLibrarySection);
    const qlm::PrivateProfile profile = qlm::PrivateProfile::Load(file);
    const int total = profile.GetInt(section, QStringLiteral("TotalStr"), 0);
    // Tens of thousands of entries only make each run slow; the tables'
    // upper bound has its own test.
    if (total > 2000 || profile.GetInt(section, QStringLiteral("TotalFont"), 0) > 2000) {
        std::remove(path.c_str());
        return 0;
    }
    const qlm::StringLibraryStatus status = qlm::LoadStringLibrary(file, section);
    if (status == qlm::StringLibraryStatus::Loaded) {
        fuzz::Check(total >= 1);
        fuzz::Check(qlm::TotalStr() == std::min(total, 32767));
        for (int n = 1; n <= qlm::TotalStr(); ++n) {
            const QString& text = qlm::LibStrings()[n];
            fuzz::Check(text.size() <= qlm::PrivateProfile::kValueLimit);
            fuzz::Check(!text.contains(QChar(0)));
            fuzz::Check(qlm::HasLibStr(n) && qlm::LibStr(n) == text);
        }
    } else {
        fuzz::Check(status == qlm::StringLibraryStatus::NoStrings && total < 1);
    }
    fuzz::Check(!qlm::HasLibStr(0) && !qlm::HasLibStr(qlm::TotalStr() + 1));
    fuzz::Check(qlm::LibFont(0) == nullptr && qlm::LibFont(qlm::TotalFont() + 1) == nullptr);
    for (int n = 1; n <= qlm::TotalFont(); ++n)
        fuzz::Check(qlm::LibFont(n) != nullptr && qlm::LibFont(n)->Name.size() <= qlm::PrivateProfile::kValueLimit);

    // The reader's own promises on a few keys, including a key that is the
    // first line's text.
    for (const QString& key : {QStringLiteral("TotalStr"), QStringLiteral("Str1"), QStringLiteral("Font1")}) {
        const QString value = profile.GetString(section, key, QStringLiteral("-"));
        fuzz::Check(value.size() <= qlm::PrivateProfile::kValueLimit);
        fuzz::Check(value.isEmpty() || !value.back().isHighSurrogate());
        fuzz::Check(profile.HasKey(section, key) || value == QStringLiteral("-"));
    }
    std::remove(path.c_str());
    return 0;
}
