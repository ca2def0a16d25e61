// Driving the codec front-end program voxform through its window, as a user
// would: type the two paths into its text boxes, press Alt+D, answer its
// error box, wait for the WAV file. Every wait, retry and text of that
// protocol lives here; the windows are reached through CurrentWindowSystem().
#pragma once

#include <QString>
#include <QStringList>

#include "platform/winmsg.h"

namespace qlm {

// Caption of the front-end's main window, class of its text boxes, and class
// and caption of its error box: the front-end's window interface.
inline constexpr QStringView kFrontEndCaption = u"Sonex Lab Encoding / Decoding Program";
inline constexpr QStringView kTextBoxClass = u"ThunderRT6TextBox";
inline constexpr QStringView kDialogClass = u"#32770";
inline constexpr QStringView kFrontEndErrorCaption = u"vfTool";
inline constexpr QStringView kFrontEndProgram = u"voxform";

// Process id of the front-end this program started; 0 when none is known.
extern qint32 FrontEndProcessId;

// The lines of the converter window's list: the decode writes its state into
// the selected line.
class ConverterLines {
public:
    virtual ~ConverterLines() = default;
    virtual int LineCount() const = 0;
    virtual void AddLine(const QString& text) = 0;
    // -1 when no line is selected.
    virtual int SelectedLine() const = 0;
    virtual void SelectLine(int index) = 0;
    virtual void SetLineText(int index, const QString& text) = 0;
};

// Lines kept in memory, for callers without a window.
class StringLines : public ConverterLines {
public:
    int LineCount() const override { return static_cast<int>(lines.size()); }
    void AddLine(const QString& text) override { lines.append(text); }
    int SelectedLine() const override { return selected; }
    void SelectLine(int index) override { selected = index; }
    void SetLineText(int index, const QString& text) override;

    QStringList lines;
    int selected = -1;
};

// Polls every 20 ms until the file can be opened for reading, for about
// limitMs milliseconds; false when it never could.
bool WaitForFile(const QString& path, qint16 limitMs);

// Posts a close request to every front-end window (up to 101 rounds, 20 ms
// apart) and forgets the front-end's process id. Front-ends that another
// live run started (they work in its run folder) are left alone; the one
// this process started, and those of runs that were killed, are ended for
// certain (killed when the request does not close them), so none outlives
// its run. A window of some other program that stays open is not asked
// again.
void CloseFrontEnd();

// Starts the front-end in this process's run folder (GetTempFolder) unless the one we started is still
// showing its window, waits up to about 2 s for the window, moves it out of
// sight and returns it; 0 when it did not appear.
WindowHandle StartFrontEnd();

// Sets a window's text and reads it back, up to 31 times until they match.
// The outcome is not reported: a mismatch shows later as a failed decode.
void SetTextVerified(WindowHandle window, const QString& text);

// Decodes the codec-data file source into the WAV file destination with the
// front-end, up to 20 attempts. The selected line of list shows
// "No Source: " + source when the source is missing, and "Retry: " + source
// after a failed attempt; success is judged by the caller from the file.
void DecodeWithFrontEnd(const QString& source, const QString& destination, ConverterLines& list);

}  // namespace qlm
