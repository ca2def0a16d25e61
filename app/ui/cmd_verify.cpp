// Verify Recordings (Tools menu): the open catalogue's recordings read again
// and compared with the checksums taken when they were copied off the card.
#include <QAction>
#include <QCoreApplication>
#include <QMenu>

#include "app/card/verify.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/commands.h"
#include "app/ui/errorbox.h"
#include "app/ui/frmMain.h"

namespace qlm {
namespace {

void Repaint() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

}  // namespace

void VerifyCommand(frmMain& main) {
    PrjPublicState& state = PrjPublicM();
    if (!state.CatalogueDatabase)
        return;
    main.SetPanelText(1, LibStr(str::VerifyRecordings, QStringLiteral("Verify Recordings")) + QStringLiteral(" ..."));
    Repaint();
    const VerifyResult result = VerifyRecordings(state.CatalogueDatabase.get(), state.RecordingsFolder, Repaint);
    if (result.error.IsSet()) {
        Error shown = result.error;
        ShowErrorBox(&shown, &main);
        return;
    }
    const QString summary = VerifySummaryText(result);
    main.SetPanelText(1, summary);
    // Which calls, so the user can look at them; the first few are enough
    // for a box.
    constexpr int kShown = 20;
    QStringList lines;
    for (const CheckedCall& call : result.calls)
        if (call.state != RecordingCheck::Unchanged && lines.size() < kShown)
            lines << call.dateText + u' ' + call.timeText + u' ' + call.file + QStringLiteral(": ") +
                         CheckText(call.state);
    const int problems = int(result.calls.size()) - result.count[0];
    if (problems > kShown)
        lines << QStringLiteral("...");
    ShowMessage(lines.isEmpty() ? summary : summary + u'\n' + lines.join(u'\n'), &main);
}

void AddVerifyCommand(frmMain& main) {
    auto* item = new QAction(LibStr(str::VerifyRecordings, QStringLiteral("Verify Recordings")), &main);
    item->setObjectName(QStringLiteral("MnuVerify"));
    QObject::connect(item, &QAction::triggered, &main, [&main] { VerifyCommand(main); });
    main.MnuTool->addAction(item);
    // Usable exactly when a catalogue is open, as Write Comment is.
    item->setEnabled(main.MnuWriteComment->isEnabled());
    QObject::connect(main.MnuWriteComment, &QAction::enabledChanged, item, &QAction::setEnabled);
}

}  // namespace qlm
