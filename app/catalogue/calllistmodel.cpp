#include "app/catalogue/calllistmodel.h"
#include "app/strings/strnames.h"

#include <algorithm>

#include <QElapsedTimer>

#include "app/strings/strlib.h"

namespace qlm {

CallListModel::CallListModel(QObject* parent) : QAbstractTableModel(parent) {
    stepTimer_.setSingleShot(true);
    stepTimer_.setInterval(0);
    connect(&stepTimer_, &QTimer::timeout, this, &CallListModel::Step);
}

int CallListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : total_; }

void CallListModel::ReadUpTo(int row) const {
    if (row >= rows_.size() && source_) {
        auto* self = const_cast<CallListModel*>(this);
        while (self->source_ && row >= rows_.size())
            self->TakeFromSource(std::max(2000, int(row - rows_.size()) + 1));
    }
}

const CallRecord& CallListModel::Record(int row) const {
    Q_ASSERT(row >= 0 && row < total_);
    ReadUpTo(row);
    static const CallRecord none;
    return row >= 0 && row < rows_.size() ? rows_[row].record : none;
}

bool CallListModel::IsChecked(int row) const {
    Q_ASSERT(row >= 0 && row < total_);
    ReadUpTo(row);
    return row >= 0 && row < rows_.size() && rows_[row].checked;
}

int CallListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kListColumnCount; }

QString CallListModel::Text(int row, int column) const {
    Q_ASSERT(column >= 0 && column < kListColumnCount);
    const CallRecord& r = Record(row);
    switch (column) {
    case kColDate:
        return DateDisplayText(r.Date);
    case kColTime:
        return TimeDisplayText(r.Time);
    case kColDuration:
        return FormatDuration(r.Duration);
    case kColCallerID:
        return r.CallerID;
    case kColDialString:
        return r.DialString;
    case kColInOut:
        return InOutText(r.InorOut, r.TelorMic);
    case kColTelMic:
        return TelMicText(r.TelorMic);
    case kColSaved:
        return SavedText(r.Saved);
    case kColSampleRate:
        return SampleRateText(r.SampleRate);
    case kColComment:
        return r.Comment;
    default:
        return QString();
    }
}

QVariant CallListModel::data(const QModelIndex& index, int role) const {
    // The view asks with an invalid index at times; a valid one is ours.
    Q_ASSERT(checkIndex(index, CheckIndexOption::ParentIsInvalid));
    if (!index.isValid() || index.row() >= total_)
        return QVariant();
    ReadUpTo(index.row());
    if (index.row() >= rows_.size())
        return QVariant();  // a listing that ended early; the line goes soon
    if (index.column() == kColCheck) {
        if (role == Qt::CheckStateRole)
            return rows_[index.row()].checked ? Qt::Checked : Qt::Unchecked;
        return QVariant();
    }
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return Text(index.row(), index.column());
    return QVariant();
}

QVariant CallListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const int kStrings[kListColumnCount] = {
        0,          str::DateColumn, str::Time,  str::Duration,   str::CallerId, str::DialledNumber,
        str::InOut, str::TelMicVox,  str::Saved, str::SampleRate, str::Comment};
    static const char* const kDesign[kListColumnCount] = {"",          "Date",        "Time",   "Duration",
                                                          "Caller ID", "Dial String", "In/Out", "Tel/Mic",
                                                          "Saved",     "Sample Rate", "Comment"};
    if (section <= 0 || section >= kListColumnCount)
        return QString();
    return LibStr(kStrings[section], QString::fromLatin1(kDesign[section]));
}

Qt::ItemFlags CallListModel::flags(const QModelIndex& index) const {
    Q_ASSERT(checkIndex(index, CheckIndexOption::ParentIsInvalid));
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == kColCheck)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

bool CallListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    Q_ASSERT(checkIndex(index, CheckIndexOption::ParentIsInvalid));
    if (!index.isValid() || index.column() != kColCheck || role != Qt::CheckStateRole)
        return false;
    SetChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

void CallListModel::SetChecked(int row, bool checked) {
    Q_ASSERT(row >= 0 && row < total_);
    ReadUpTo(row);
    if (row < 0 || row >= rows_.size() || rows_[row].checked == checked)
        return;
    rows_[row].checked = checked;
    checkedCount_ += checked ? 1 : -1;
    const QModelIndex cell = index(row, kColCheck);
    emit dataChanged(cell, cell, {Qt::CheckStateRole});
    emit CheckChanged(row, checked);
}

void CallListModel::SetAllChecked(bool checked) {
    FinishListing();
    for (Line& line : rows_)
        line.checked = checked;
    checkedCount_ = checked ? int(rows_.size()) : 0;
    if (!rows_.isEmpty())
        emit dataChanged(index(0, kColCheck), index(int(rows_.size()) - 1, kColCheck), {Qt::CheckStateRole});
}

QVector<int> CallListModel::CheckedRows() const {
    QVector<int> out;
    for (int i = 0; i < rows_.size(); ++i)
        if (rows_[i].checked)
            out << i;
    return out;
}

void CallListModel::SetComment(int row, const QString& comment) {
    Q_ASSERT(row >= 0 && row < total_);
    ReadUpTo(row);
    if (row < 0 || row >= rows_.size())
        return;
    rows_[row].record.Comment = comment;
    const QModelIndex cell = index(row, kColComment);
    emit dataChanged(cell, cell, {Qt::DisplayRole});
}

void CallListModel::RemoveLine(int row) {
    Q_ASSERT(row >= 0 && row < total_);
    // The catalogue rows go next; the listing must not read past them.
    FinishListing();
    if (row < 0 || row >= rows_.size())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    if (rows_[row].checked)
        --checkedCount_;
    rows_.remove(row);
    total_ = int(rows_.size());
    endRemoveRows();
}

void CallListModel::SetHeaderImageKey(const QString& key) {
    headerKey_ = key;
    emit headerDataChanged(Qt::Horizontal, kColCheck, kColCheck);
}

void CallListModel::Clear() {
    stepTimer_.stop();
    source_ = {};
    beginResetModel();
    rows_.clear();
    total_ = 0;
    checkedCount_ = 0;
    endResetModel();
}

void CallListModel::Append(QVector<CallRecord> records) {
    FinishListing();
    if (records.isEmpty())
        return;
    const int first = int(rows_.size());
    beginInsertRows(QModelIndex(), first, first + int(records.size()) - 1);
    rows_.reserve(first + records.size());
    for (CallRecord& r : records)
        rows_.push_back(Line{std::move(r), false});
    total_ = int(rows_.size());
    endInsertRows();
}

void CallListModel::ListInSteps(CallSource source, int total) {
    Clear();
    if (!source || total <= 0)
        return;
    beginInsertRows(QModelIndex(), 0, total - 1);
    rows_.reserve(total);
    total_ = total;
    source_ = std::move(source);
    endInsertRows();
    stepTimer_.start();
}

void CallListModel::TakeFromSource(int most) {
    // The read lines are counted already: no signal for them.
    const int wanted = std::min(most, total_ - int(rows_.size()));
    QVector<CallRecord> records;
    records.reserve(std::max(wanted, 0));
    // The source may end the listing (Clear) through a slot; keep it alive.
    const CallSource source = source_;
    const bool more = wanted > 0 && source(&records, wanted);
    for (CallRecord& r : records)
        rows_.push_back(Line{std::move(r), false});
    if ((!more || rows_.size() >= total_) && source_) {
        source_ = {};
        stepTimer_.stop();
        if (rows_.size() < total_)
            QTimer::singleShot(0, this, &CallListModel::DropUnread);
        else
            emit ListingFinished(total_);
    }
}

void CallListModel::DropUnread() {
    if (source_ || rows_.size() >= total_)
        return;
    beginRemoveRows(QModelIndex(), int(rows_.size()), total_ - 1);
    total_ = int(rows_.size());
    endRemoveRows();
    emit ListingFinished(total_);
}

void CallListModel::Step() {
    // Small batches until the step's time is used, then back to the event
    // loop so the window paints and takes input between steps.
    constexpr int kBatch = 500;
    QElapsedTimer timer;
    timer.start();
    while (source_ && timer.elapsed() < kStepMs)
        TakeFromSource(kBatch);
    if (source_)
        stepTimer_.start();
}

bool CallListModel::FinishListing() {
    if (!source_)
        return false;
    stepTimer_.stop();
    while (source_)
        TakeFromSource(50000);
    DropUnread();
    return true;
}

void CallListModel::sort(int column, Qt::SortOrder order) {
    FinishListing();
    if (column < 0 || column >= kListColumnCount || rows_.size() < 2)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QVector<int> perm(rows_.size());
    for (int i = 0; i < perm.size(); ++i)
        perm[i] = i;
    QVector<QString> keys(rows_.size());
    for (int i = 0; i < rows_.size(); ++i)
        keys[i] = Text(i, column);
    std::stable_sort(perm.begin(), perm.end(), [&](int a, int b) {
        const int c = QString::compare(keys[a], keys[b], Qt::CaseInsensitive);
        return order == Qt::AscendingOrder ? c < 0 : c > 0;
    });
    keys = {};
    QVector<int> newRowOf(rows_.size());
    for (int i = 0; i < perm.size(); ++i)
        newRowOf[perm[i]] = i;
    // Lines moved into place cycle by cycle: no second copy of a long list.
    for (int i = 0; i < perm.size(); ++i) {
        if (perm[i] == i)
            continue;
        Line held = std::move(rows_[i]);
        int at = i;
        while (perm[at] != i) {
            rows_[at] = std::move(rows_[perm[at]]);
            const int next = perm[at];
            perm[at] = at;
            at = next;
        }
        rows_[at] = std::move(held);
        perm[at] = at;
    }
    QModelIndexList after;
    for (const QModelIndex& idx : before)
        after << index(newRowOf[idx.row()], idx.column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace qlm
