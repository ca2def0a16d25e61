// What qlmtool's converting commands (convert, export) share: the temp
// folder's claim for one catalogue, and the converter's lines on stderr.
#pragma once

#include <QVector>

#include "app/catalogue/callrecord.h"
#include "app/convert/convertfiles.h"

namespace qlm::cli {

// The temp folder's intermediate files belong to one catalogue: the window
// empties the folder whenever it opens one. Ours are kept for the next run on
// the same catalogue, and dropped when another one comes, so that a
// recording of the same name on another card never reuses them.
void ClaimTempFolder(const QString& catalogue);

// The calls to work on: all of them in the catalogue's order, or those named
// (each once, in that order) by recording file names or "MM/dd/yyyy
// hh:mm:ss" pairs; a pair that several calls share names none (see
// ResolveCall). The catalogue is opened
// exclusively and closed again before the long work. A call not found is
// reported on stderr and sets *missing; false (reported) when the catalogue
// cannot be read.
bool SelectCalls(const QString& catalogue, bool all, const QStringList& pairs, QVector<CallRecord>* calls,
                 bool* missing);

// The converter's lines: every change of a line on stderr, the final texts
// kept. With cancelOnInterrupt, Ctrl+C (SIGINT) and SIGTERM ask the run to
// stop at its next cancel point instead of ending the program, so that the
// run can clean up after itself.
class CliProgress : public ConvertProgress {
public:
    explicit CliProgress(bool cancelOnInterrupt = false);
    int LineCount() const override { return lines_.LineCount(); }
    void AddLine(const QString& text) override;
    int SelectedLine() const override { return lines_.SelectedLine(); }
    void SelectLine(int index) override { lines_.SelectLine(index); }
    void SetLineText(int index, const QString& text) override;
    void ProcessEvents() override;
    bool CancelRequested() override;
    const QStringList& Lines() const { return lines_.lines; }

private:
    StringLines lines_;
};

}  // namespace qlm::cli
