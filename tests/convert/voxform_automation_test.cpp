// The main program's automation against the real voxform, on the offscreen
// platform: start it in the temp folder, decode spoken codec data, reuse it,
// answer its error box, close it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <cmath>
#include <vector>

#include "app/catalogue/store.h"
#include "app/convert/frontend.h"
#include "platform/appfolder.h"
#include "platform/winmsg.h"
#include "tests/support/testsupport.h"
#include "tools/speech.h"
#include "voxform/vfcore.h"

namespace qlm::test {
namespace {

// Correlation of the 20 ms energy envelopes of two WAV files of equal
// length: the same speech.
double EnvelopeCorrelation(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size() || a.size() <= 44)
        return 0;
    auto envelope = [](const QByteArray& wav) {
        std::vector<double> e;
        const auto* s = reinterpret_cast<const qint16*>(wav.constData() + 44);
        const qsizetype n = (wav.size() - 44) / 2;
        for (qsizetype i = 0; i + 160 <= n; i += 160) {
            double sum = 0;
            for (qsizetype k = i; k < i + 160; ++k)
                sum += double(s[k]) * s[k];
            e.push_back(sum);
        }
        return e;
    };
    const std::vector<double> x = envelope(a), y = envelope(b);
    double mx = 0, my = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        mx += x[i];
        my += y[i];
    }
    mx /= x.size();
    my /= y.size();
    double sxy = 0, sxx = 0, syy = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        sxy += (x[i] - mx) * (y[i] - my);
        sxx += (x[i] - mx) * (x[i] - mx);
        syy += (y[i] - my) * (y[i] - my);
    }
    return sxx > 0 && syy > 0 ? sxy / std::sqrt(sxx * syy) : 0;
}

class VoxformAutomationTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!sim::CanSpeak())
            GTEST_SKIP() << "espeak-ng and sox are needed";
        // Windows of this test only: other tests' front-ends stay out of sight.
        qputenv("QLM_WINMSG_DIR", QFile::encodeName(QDir(sockets_.path()).filePath(QStringLiteral("w"))));
        // An installed folder: the program beside its codec library.
        for (const char* name : {"voxform", "libkvc.so"}) {
            const QString file = QString::fromLatin1(name);
            ASSERT_TRUE(QFile::copy(BuiltPath(file), app_.file(file))) << name;
        }
        QFile::setPermissions(app_.file(QStringLiteral("voxform")),
                              QFile::permissions(BuiltPath(QStringLiteral("voxform"))));
        FrontEndProcessId = 0;
    }
    void TearDown() override {
        CloseFrontEnd();
        qunsetenv("QLM_WINMSG_DIR");
    }

    // Codec data of a spoken sentence, as the card holds it.
    QString SpokenDat(const QString& name, const QString& sentence) {
        const QString wav = work_.filePath(name + QStringLiteral(".speech.wav"));
        QString why;
        EXPECT_TRUE(sim::SpeakToWav(sentence, wav, &why)) << why.toStdString();
        Error error;
        const QByteArray data = sim::EncodeWavFile(wav, sim::EncodeSettings{2, false, false},
                                                   app_.file(QStringLiteral("libkvc.so")), &error);
        EXPECT_FALSE(data.isEmpty()) << error.description.toStdString();
        const QString dat = work_.filePath(name + QStringLiteral(".Dat"));
        WriteFile(dat, data);
        return dat;
    }
    // The same file decoded in this process, for comparison.
    QByteArray DecodedHere(const QString& dat) {
        vf::CodecLibrary codec(app_.file(QStringLiteral("libkvc.so")));
        const QString out = work_.filePath(QStringLiteral("reference.wav"));
        const Error error = vf::DecodeDatToWav(codec, work_.path(), dat, out, vf::Hooks());
        EXPECT_FALSE(error.IsSet()) << error.description.toStdString();
        return ReadFile(out);
    }

    QTemporaryDir sockets_;
    AppFolder app_;
    QTemporaryDir workDir_;
    QDir work_{workDir_.path()};
};

TEST_F(VoxformAutomationTest, DecodesSpeechReusesTheProgramAndClosesIt) {
    const QString first =
        SpokenDat(QStringLiteral("A2505143.527"), QStringLiteral("Please call me back tomorrow morning."));
    const QString second =
        SpokenDat(QStringLiteral("A2505150.101"), QStringLiteral("The invoice number is four two seven."));
    const QString firstWav = work_.filePath(QStringLiteral("A2505143.527.qlm.wav"));
    const QString secondWav = work_.filePath(QStringLiteral("A2505150.101.qlm.wav"));
    StringLines lines;
    lines.AddLine(QStringLiteral("1/2 -  "));
    lines.SelectLine(0);

    CloseFrontEnd();
    DecodeWithFrontEnd(first, firstWav, lines);
    ASSERT_TRUE(QFile::exists(firstWav)) << lines.lines.join(u'|').toStdString();
    EXPECT_EQ(lines.lines[0], QStringLiteral("1/2 -  "));  // no retry was needed
    const qint32 pid = FrontEndProcessId;
    ASSERT_NE(pid, 0);

    // What the codec gives in-process: the same samples, since a decode
    // depends on its input alone.
    const QByteArray decoded = ReadFile(firstWav);
    const QByteArray reference = DecodedHere(first);
    EXPECT_EQ(decoded, reference);
    EXPECT_GT(decoded.size(), 44 + 8000 * 2);  // more than a second of speech

    // It runs in the temp folder, where its work file stays out of the user's way.
    EXPECT_EQ(QFileInfo(QStringLiteral("/proc/%1/cwd").arg(pid)).canonicalFilePath(),
              QDir(GetTempFolder()).canonicalPath());
    EXPECT_FALSE(QFile::exists(JoinPath(GetTempFolder(), QStringLiteral("tmp.wav"))));

    // The second file goes through the same running program.
    lines.AddLine(QStringLiteral("2/2 -  "));
    lines.SelectLine(1);
    DecodeWithFrontEnd(second, secondWav, lines);
    ASSERT_TRUE(QFile::exists(secondWav));
    EXPECT_EQ(FrontEndProcessId, pid);
    EXPECT_GT(EnvelopeCorrelation(ReadFile(secondWav), DecodedHere(second)), 0.9);

    // The first file again in the same program, after the other one: the
    // codec starts each file afresh, so it decodes to the very same samples
    // (it used to differ in most of them).
    const QString againWav = work_.filePath(QStringLiteral("again.qlm.wav"));
    DecodeWithFrontEnd(first, againWav, lines);
    EXPECT_EQ(FrontEndProcessId, pid);
    EXPECT_EQ(ReadFile(againWav), decoded);

    // Its boxes were left empty for the next file.
    WindowSystem& windows = CurrentWindowSystem();
    const WindowHandle main = windows.FindWindow(QString(), kFrontEndCaption.toString());
    ASSERT_NE(main, 0u);
    const QList<WindowHandle> boxes = windows.ChildWindows(main, kTextBoxClass.toString());
    ASSERT_EQ(boxes.size(), 2);
    QString text = QStringLiteral("x");
    EXPECT_TRUE(windows.GetWindowText(boxes[0], &text));
    EXPECT_EQ(text, QString());

    CloseFrontEnd();
    EXPECT_EQ(FrontEndProcessId, 0);
    for (int i = 0; i < 500 && QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)); ++i)
        QThread::msleep(10);
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)));
    EXPECT_EQ(windows.FindWindow(QString(), kFrontEndCaption.toString()), 0u);

    // ... and to what a fresh program makes of it.
    const QString freshWav = work_.filePath(QStringLiteral("fresh.qlm.wav"));
    DecodeWithFrontEnd(first, freshWav, lines);
    EXPECT_NE(FrontEndProcessId, pid);
    EXPECT_EQ(ReadFile(freshWav), decoded);
}

TEST_F(VoxformAutomationTest, FailingDecodeIsAnsweredAndRetriedWithFreshPrograms) {
    const QString dat = SpokenDat(QStringLiteral("A2505143.527"), QStringLiteral("Hello."));
    // A destination folder that does not exist: every decode fails in the
    // front-end, which shows its "vfTool" box and ends once it is answered.
    const QString wav = work_.filePath(QStringLiteral("missing/A2505143.527.qlm.wav"));
    StringLines lines;
    DecodeWithFrontEnd(dat, wav, lines);
    EXPECT_FALSE(QFile::exists(wav));
    EXPECT_EQ(lines.lines, QStringList{QStringLiteral("Retry: ") + dat});
    EXPECT_EQ(FrontEndProcessId, 0);
    // No front-end is left behind with its box open.
    EXPECT_TRUE(static_cast<SocketWindowSystem&>(CurrentWindowSystem()).TopLevelWindows().isEmpty());
}

}  // namespace
}  // namespace qlm::test
