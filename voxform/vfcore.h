// vfcore: the work behind voxform's two buttons, without widgets.
//
// How the window uses it:
//   qlm::vf::CodecLibrary codec;        // one per program; loads libkvc.so
//                                       // from the program's folder on first use
//   const QString start = QDir::currentPath();   // in Form_Load
//   qlm::vf::Hooks hooks;
//   hooks.setStatus = [&](const QString& t) { lblStatus->setText(t); processEvents(); };
//   hooks.showMessage = [&](const QString& text, const QString& caption) { box(caption, text); };
//   // cmdDecode_Click:
//   qlm::Error e = qlm::vf::DecodeDatToWav(codec, start, txtDatFile, txtWavFile, hooks);
//   // cmdEncode_Click:
//   qlm::vf::EncodeOptions o{rateCode, chkVAD, chkSilenceCoding};
//   qlm::Error e = qlm::vf::EncodeWavToDat(codec, start, txtWavFile, txtDatFile, o, hooks);
//   // e.IsSet(): an unhandled failure; show e.description in the "vfTool" box
//   // and end the program when it is answered.
//
// Both conversions make the start folder current, so relative paths and the
// encoder's work file "tmp.wav" lie there. Each output grows under a
// temporary name in its own folder and takes its name only when complete;
// after a failure the output path is as it was. They run to the end in the
// caller's thread.
#pragma once

#include <cstdint>
#include <functional>

#include <QString>

#include "platform/error.h"
#include "platform/libloader.h"

namespace qlm::vf {

inline constexpr int kFrameSamples = 160;
inline constexpr int kFrameBytesMax = 24;
inline constexpr int kWavHeaderSize = 44;

// The codec library's functions.
struct CodecApi {
    void (*vInitDecoder)() = nullptr;
    void (*vDecode)(int16_t* samples, const uint8_t* frame) = nullptr;
    void (*vInitEncoder)() = nullptr;
    int16_t (*vEncode)(const int16_t* samples, uint8_t* out, int32_t rate, int32_t vad) = nullptr;
    uint8_t (*LSB)(int16_t value) = nullptr;
    uint8_t (*HSB)(int16_t value) = nullptr;
};

// libkvc.so, loaded and bound by name on first use and kept loaded.
class CodecLibrary {
public:
    // Empty path: "libkvc.so" in the application folder.
    explicit CodecLibrary(const QString& path = QString());
    // The bound functions, or nullptr with the error set (48 when the library
    // cannot be loaded, 453 when a function is missing).
    const CodecApi* Bind(Error* error);

private:
    QString path_;
    SharedLibrary library_;
    CodecApi api_;
    bool bound_ = false;
};

struct Hooks {
    // lblStatus's text: "37%" after each encoded frame, "" at the end. The
    // window processes its pending events here.
    std::function<void(const QString& text)> setStatus;
    // A message box the conversion shows itself (sgn2wav's "was not found").
    std::function<void(const QString& text, const QString& caption)> showMessage;
};

// Encoder options: rate code 0 = 4.4, 1 = 7.2, 2 = 9.6 kbit/s.
struct EncodeOptions {
    int rate = 0;
    bool vad = false;
    bool silenceCoding = false;  // used only with vad
};

// Length in bytes of the frame whose first byte this is: 11, 18, 24, 4, or
// 2 for a silence run marker.
int FrameLength(uint8_t first);
// Silent frames a run marker stands for, 1 to 8192.
int RunLength(uint8_t first, uint8_t second);
// The marker's two bytes for a run of n silent frames, 1 <= n <= 8192.
void RunMarker(int n, uint8_t* out);

// Decodes codec data held in memory: vInitDecoder, then one vDecode per
// 20 ms frame, each handed to the sink (false from the sink stops the walk).
// A frame cut short by the end is completed with zeros; a byte in the last
// position starts no frame. Returns the number of frames given to the sink.
qint64 DecodeFrames(const CodecApi& api, const uint8_t* data, qint64 length,
                    const std::function<bool(const int16_t* samples)>& sink);

// Codec data to WAV: the .Dat at datPath becomes an 8000 Hz mono 16-bit WAV
// at wavPath. Codec data without a frame shows sgn2wav's "was not found"
// message and writes nothing.
Error DecodeDatToWav(CodecLibrary& codec, const QString& startFolder, const QString& datPath, const QString& wavPath,
                     const Hooks& hooks);

// WAV (or raw 16-bit PCM) to codec data.
Error EncodeWavToDat(CodecLibrary& codec, const QString& startFolder, const QString& wavPath, const QString& datPath,
                     const EncodeOptions& options, const Hooks& hooks);

// Wraps the raw samples of name1, after its first length_of_sgn_hdr bytes,
// into the WAV file name2. 0 on success; 1 when there is nothing to convert,
// after showing "The file NAME1 was not found" (name2 is then untouched).
// File errors set the error.
int16_t sgn2wav(const QString& name1, const QString& name2, qint64 length_of_sgn_hdr, const Hooks& hooks, Error* error);
// True when the file begins with "RIFF".
bool proc2(const QString& path);
// Copies the source from byte 44 on into the destination, replacing it.
Error proc3(const QString& source, const QString& destination);

// The 44-byte header of a WAV file holding dataSize bytes of samples.
QByteArray WavHeader(quint32 dataSize);

}  // namespace qlm::vf
