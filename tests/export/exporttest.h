// The fixture of the export tests: a card with the calls of
// ExportCardCalls(), its catalogue, and qlmtool in an application folder of
// its own with the real converter.
#pragma once

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "app/catalogue/engine.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "tests/convert/conversionfixture.h"
#include "tests/export/exportfixture.h"

namespace qlm::test {

// Both manifests as Python's own readers see them.
constexpr char kReadManifests[] = R"(
import csv, json, sys
folder = sys.argv[1]
raw = open(folder + '/calls.csv', 'rb').read()
with open(folder + '/calls.csv', encoding='utf-8-sig', newline='') as f:
    reader = csv.DictReader(f)
    rows = list(reader)
    header = reader.fieldnames
with open(folder + '/calls.json', encoding='utf-8') as f:
    objects = json.load(f)
json.dump({'bom': raw.startswith(b'\xef\xbb\xbf'),
           'crlf': raw.endswith(b'\r\n') and raw.count(b'\r\n') >= len(rows) + 1,
           'header': header, 'csv': rows, 'json': objects}, sys.stdout)
)";

inline double Number(const QByteArray& text) { return QString::fromUtf8(text).trimmed().toDouble(); }

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("QLM_WINMSG_DIR", QFile::encodeName(dir_.filePath(QStringLiteral("windows"))));
        InstallConverter(app_);
        const QString tool = app_.file(QStringLiteral("qlmtool"));
        ASSERT_TRUE(QFile::copy(BuiltPath(QStringLiteral("qlmtool")), tool));
        QFile::setPermissions(tool, QFile::permissions(BuiltPath(QStringLiteral("qlmtool"))));
        card_ = dir_.filePath(QStringLiteral("card"));
        calls_ = ExportCardCalls();
        catalogue_ = MakeCardCatalogue(card_, calls_);
        ASSERT_FALSE(catalogue_.isEmpty());
        PrjPublicM().CloseCatalogue();
    }
    void TearDown() override {
        CloseFrontEnd();
        qunsetenv("QLM_WINMSG_DIR");
    }

    RunResult Tool(QStringList args) const {
        return test::Run(app_.file(QStringLiteral("qlmtool")), args << QStringLiteral("--password-stdin"), "\n");
    }
    QJsonObject Manifests(const QString& folder) const {
        const RunResult read =
            test::Run(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromLatin1(kReadManifests), folder});
        EXPECT_EQ(read.exitCode, 0) << read.err.toStdString();
        return QJsonDocument::fromJson(read.out).object();
    }
    // The name a call's audio gets: date, time, direction or source, number.
    static QString ReadableName(const CardCall& call, const char* extension) {
        const bool line = call.flags & flag::kLine;
        const QString kind =
            line ? LibStr(call.flags & flag::kNumberKind ? 47 : 46) : LibStr(call.flags & flag::kNumberKind ? 104 : 50);
        QString name = call.start.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss ")) + kind;
        if (!call.number.isEmpty())
            name += u' ' + call.number;
        return name + u'.' + QLatin1String(extension);
    }
    QVector<CallRecord> Records() const {
        QVector<CallRecord> records;
        Error error;
        auto db = Database::Open(catalogue_, true, &error);
        for (auto rows = db->OpenRecordset(QString::fromLatin1(kSelectAllCalls), &error); rows && !rows->AtEnd();
             rows->MoveNext())
            records << ReadCallRecord(*rows);
        return records;
    }

    AppFolder app_;
    QTemporaryDir dir_;
    QString card_, catalogue_;
    QVector<CardCall> calls_;
};

}  // namespace qlm::test
