#include "app/player/playfile.h"

#include <QFileInfo>

#include "app/card/recording.h"
#include "app/catalogue/store.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "platform/appfolder.h"

namespace qlm {
namespace {

// The converter's one line, passed on without its prefix; the decode's own
// texts ("No Source: ...", "Retry: ...") replace the line and are kept as
// the reason of a failure.
class PrepareProgress : public ConvertProgress {
public:
    explicit PrepareProgress(const PlayFileHooks& hooks) : hooks_(hooks) {}
    int LineCount() const override { return lines_.LineCount(); }
    void AddLine(const QString& text) override {
        lines_.AddLine(text);
        prefix_ = text;
    }
    int SelectedLine() const override { return lines_.SelectedLine(); }
    void SelectLine(int index) override { lines_.SelectLine(index); }
    void SetLineText(int index, const QString& text) override {
        lines_.SetLineText(index, text);
        const bool own = !prefix_.isEmpty() && text.startsWith(prefix_);
        const QString shown = own ? text.mid(prefix_.size()).trimmed() : text;
        if (!own)
            reason_ = text;
        if (hooks_.stage)
            hooks_.stage(shown);
    }
    void ProcessEvents() override {
        if (hooks_.processEvents)
            hooks_.processEvents();
    }
    bool CancelRequested() override { return false; }

    QString Reason() const { return reason_; }
    QString LastLine() const { return lines_.lines.value(0).mid(prefix_.size()).trimmed(); }

private:
    const PlayFileHooks& hooks_;
    StringLines lines_;
    QString prefix_;
    QString reason_;
};

}  // namespace

QString PlayFileFor(const ConvertItem& item, const QString& recordingsFolder) {
    const QString name = WorkNameOf(item.file, item.dateText, item.timeText, recordingsFolder);
    return name.isEmpty() ? QString() : JoinPath(GetTempFolder(), name + QStringLiteral(".wav"));
}

bool PreparePlayFile(const ConvertItem& item, const QString& recordingsFolder, const PlayFileHooks& hooks,
                     QString* path, QString* error) {
    *path = PlayFileFor(item, recordingsFolder);
    if (path->isEmpty()) {
        *error = LibStr(str::LineNamesNoRecording, QStringLiteral("This line names no recording:")) + u' ' +
                 item.dateText + u' ' + item.timeText;
        return false;
    }
    if (QFileInfo(*path).isFile())
        return true;
    PrepareProgress progress(hooks);
    const ConvertResult result =
        ConvertRecordings({item}, recordingsFolder, JoinPath(GetTempFolder(), QString()), 0, progress);
    CloseFrontEnd();
    if (QFileInfo(*path).isFile())
        return true;
    if (!result.message.isEmpty())
        *error = result.message;
    else if (!progress.Reason().isEmpty())
        *error = progress.Reason() + u' ' + progress.LastLine();
    else
        *error = progress.LastLine();
    return false;
}

}  // namespace qlm
