// The two conversion libraries of the application folder, libGainPass.so and
// libMpegPack.so, bound on their first call and kept loaded for the life of
// the process (the gain control's state carries from one call to the next).
#pragma once

#include <QString>

namespace qlm {

inline constexpr char kGainPassLibrary[] = "libGainPass.so";
inline constexpr char kMpegPackLibrary[] = "libMpegPack.so";

// Result of a stage call whose library could not be loaded or lacks the
// function; the libraries' own results are 0 and small negative numbers.
inline constexpr int kStageLibraryMissing = -100;

// The library functions; their results are those of the libraries, or
// kStageLibraryMissing. A library that failed to load is tried again on the
// next call (a user may have put it in place meanwhile).
int CallSkipCopy(int offset, const QString& source, const QString& destination);
int CallGainPass(const QString& source, const QString& destination, int level);
int CallMpegPack(const QString& source, const QString& destination, int mp3Option);

// Why the last load of the library failed; empty when it is loaded or was
// not needed yet.
QString StageLibraryError(const char* library);

}  // namespace qlm
