// The rows behind the list view lvData: one call per line, a check box in
// column 1 and the ten texts of the call in columns 2-11. Kept as plain
// records and formatted when a cell is drawn. A long listing (ListInSteps)
// counts all its lines at once but reads them in steps from the event loop,
// and at once up to any line asked for: a catalogue of a million calls shows
// its first screen at once and the window keeps painting meanwhile.
#pragma once

#include <functional>

#include <QAbstractTableModel>
#include <QTimer>
#include <QVector>

#include "app/catalogue/callrecord.h"

namespace qlm {

class CallListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CallListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    // The list's own text sort: by the column's shown texts, stable.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    void Clear();
    // Adds lines at the end, in the given order.
    void Append(QVector<CallRecord> records);

    // Gives up to `most` further calls in order; false once it has no more
    // (or failed), the calls given with that answer still counting.
    using CallSource = std::function<bool(QVector<CallRecord>* out, int most)>;
    // Replaces the lines by the source's `total` calls: counted at once, read
    // in steps of at most kStepMs from the event loop and whenever a line
    // beyond those read is asked for. Sorting, check-all, adding and removing
    // lines first read the rest; Clear() drops it. A source that ends early
    // takes its unread lines out of the list from the event loop.
    void ListInSteps(CallSource source, int total);
    // Reads the rest of a listing now; true when one was running.
    bool FinishListing();
    bool Listing() const { return bool(source_); }
    int LinesRead() const { return int(rows_.size()); }
    static constexpr int kStepMs = 40;
    // The row arguments below must be lines of the list (0 to rowCount() - 1;
    // asserted). A line a listing that ended early never read gives an empty
    // call until it goes.
    const CallRecord& Record(int row) const;
    // The text of a cell (column 0 is always empty).
    QString Text(int row, int column) const;

    bool IsChecked(int row) const;
    void SetChecked(int row, bool checked);
    void SetAllChecked(bool checked);
    bool AnyChecked() const { return checkedCount_ > 0; }
    QVector<int> CheckedRows() const;

    // A line's comment as the list shows it, and removing one line.
    void SetComment(int row, const QString& comment);
    void RemoveLine(int row);

    // The header image key of column 1: "abc" (not all checked) or "def".
    QString HeaderImageKey() const { return headerKey_; }
    void SetHeaderImageKey(const QString& key);

signals:
    // A line's check box changed by the user or by SetChecked.
    void CheckChanged(int row, bool checked);
    // A listing in steps has taken in its last call; lines = rowCount().
    void ListingFinished(int lines);

private:
    struct Line {
        CallRecord record;
        bool checked = false;
    };
    // Reads up to `most` calls of the source; ends the listing when it has
    // no more.
    void TakeFromSource(int most);
    void Step();
    // Reads the lines up to and including the row (a const view of the list
    // reads on demand, so its lines are never asked for unread).
    void ReadUpTo(int row) const;
    void DropUnread();

    QVector<Line> rows_;
    int total_ = 0;  // lines listed, read or not
    CallSource source_;
    QTimer stepTimer_;
    int checkedCount_ = 0;
    QString headerKey_ = QStringLiteral("abc");
};

}  // namespace qlm
