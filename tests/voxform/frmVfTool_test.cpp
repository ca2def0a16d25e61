// voxform's window, driven through its controls as a user would.
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

#include "tests/support/testsupport.h"
#include "voxform/frmVfTool.h"
#include "voxform/vfcore.h"
#include "voxform/vfwindows.h"

using namespace qlm;

class frmVfToolTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QString path(const QString& name) const { return QDir(dir_.path()).filePath(name); }

    // Runs `answer` on the next modal box shown, then closes it.
    void AnswerNextBox(std::function<void(QWidget*)> answer, int tries = 200) {
        QTimer::singleShot(20, this, [this, answer, tries] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box) {
                if (tries > 0)
                    AnswerNextBox(answer, tries - 1);
                return;
            }
            answer(box);
        });
    }
    // Check boxes and options take clicks on their mark or text only.
    static QPoint OnIndicator(QWidget* button) { return QPoint(6, button->height() / 2); }
    template <typename T>
    T* Control(QWidget& form, const char* name) {
        T* control = form.findChild<T*>(QLatin1StringView(name));
        if (!control)
            qFatal("control %s not found", name);
        return control;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        // The start folder: "tmp.wav" goes here.
        QDir::setCurrent(dir_.path());
    }

    void layoutAndDefaults() {
        vf::CodecLibrary codec(test::BuiltPath(QStringLiteral("libkvc.so")));
        vf::frmVfTool form(codec, nullptr);
        form.show();
        QCOMPARE(form.objectName(), QStringLiteral("frmVfTool"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Sonex Lab Encoding / Decoding Program"));
        QCOMPARE(form.StartFolder(), QDir::currentPath());

        // The window's own text boxes, in child order: WAV first.
        QList<QLineEdit*> boxes;
        for (QLineEdit* edit : form.findChildren<QLineEdit*>())
            if (edit->window() == &form)
                boxes.append(edit);
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[0]->objectName(), QStringLiteral("txtWavFile"));
        QCOMPARE(boxes[1]->objectName(), QStringLiteral("txtDatFile"));
        QVERIFY(boxes[0]->text().isEmpty() && boxes[1]->text().isEmpty());

        QCOMPARE(Control<QLabel>(form, "Label2")->text(), QStringLiteral("WAV file:"));
        QCOMPARE(Control<QLabel>(form, "Label1")->text(), QStringLiteral("DAT file:"));
        QCOMPARE(Control<QPushButton>(form, "cmdInput")->text(), QStringLiteral("..."));
        QCOMPARE(Control<QPushButton>(form, "cmdOutput")->text(), QStringLiteral("..."));
        QCOMPARE(Control<QPushButton>(form, "cmdEncode")->text(), QStringLiteral("&Encode"));
        QCOMPARE(Control<QPushButton>(form, "cmdDecode")->text(), QStringLiteral("&Decode"));
        QCOMPARE(Control<QGroupBox>(form, "Frame1")->title(), QStringLiteral("Encoder Options"));
        QCOMPARE(Control<QRadioButton>(form, "opt96")->text(), QStringLiteral("9.6"));
        QCOMPARE(Control<QRadioButton>(form, "opt72")->text(), QStringLiteral("7.2"));
        QVERIFY(Control<QRadioButton>(form, "opt44")->isChecked());
        QVERIFY(!Control<QRadioButton>(form, "opt96")->isChecked());
        QVERIFY(!Control<QCheckBox>(form, "chkVAD")->isChecked());
        QVERIFY(!Control<QCheckBox>(form, "chkSilenceCoding")->isChecked());
        QVERIFY(!Control<QCheckBox>(form, "chkSilenceCoding")->isEnabled());
        QVERIFY(Control<QLabel>(form, "lblStatus")->text().isEmpty());
        QCOMPARE(form.findChild<QFileDialog*>(QStringLiteral("CMDialog1"))->windowTitle(), QStringLiteral("Open File"));
    }

    void silenceCodingFollowsVad() {
        vf::CodecLibrary codec(test::BuiltPath(QStringLiteral("libkvc.so")));
        vf::frmVfTool form(codec, nullptr);
        form.show();
        QCheckBox* vad = Control<QCheckBox>(form, "chkVAD");
        QCheckBox* silence = Control<QCheckBox>(form, "chkSilenceCoding");
        QTest::mouseClick(vad, Qt::LeftButton, {}, OnIndicator(vad));
        QVERIFY(silence->isEnabled());
        QTest::mouseClick(silence, Qt::LeftButton, {}, OnIndicator(silence));
        QVERIFY(silence->isChecked());
        QTest::mouseClick(vad, Qt::LeftButton, {}, OnIndicator(vad));
        QVERIFY(!silence->isChecked());
        QVERIFY(!silence->isEnabled());
    }

    void altDDecodesLikeAClick() {
        vf::CodecLibrary codec(test::BuiltPath(QStringLiteral("libkvc.so")));
        vf::frmVfTool form(codec, nullptr);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        // One 9.6 kbit/s frame, then one silent frame.
        QByteArray dat(24, '\0');
        dat[0] = char(0x85);
        dat += QByteArray::fromHex("E000");
        test::WriteFile(path(QStringLiteral("in.Dat")), dat);
        form.txtDatFile->setText(path(QStringLiteral("in.Dat")));

        form.txtWavFile->setText(path(QStringLiteral("clicked.wav")));
        QTest::mouseClick(form.cmdDecode, Qt::LeftButton);
        const QByteArray clicked = test::ReadFile(path(QStringLiteral("clicked.wav")));
        QCOMPARE(clicked.size(), 44 + 640);
        QCOMPARE(clicked.left(4), QByteArray("RIFF"));

        // The keyboard's Alt+D, as a user presses it.
        form.txtWavFile->setText(path(QStringLiteral("keyboard.wav")));
        QTest::keyClick(&form, Qt::Key_D, Qt::AltModifier);
        QTRY_VERIFY(QFile::exists(path(QStringLiteral("keyboard.wav"))));
        QTRY_COMPARE(test::ReadFile(path(QStringLiteral("keyboard.wav"))).size(), clicked.size());

        // Alt+D as the automation delivers it: done when the delivery returns.
        vf::VfWindows windows(nullptr);
        windows.AddMainWindow(&form);
        form.txtWavFile->setText(path(QStringLiteral("sent.wav")));
        QList<KeyStroke> keys;
        QVERIFY(ParseKeys(QStringLiteral("%D"), &keys));
        windows.DeliverKeys(keys);
        QCOMPARE(test::ReadFile(path(QStringLiteral("sent.wav"))).size(), clicked.size());
        QVERIFY(!QFile::exists(path(QStringLiteral("tmp.wav"))));
        QVERIFY(!form.Failed());
    }

    void encodeThenDecodeByHand() {
        vf::CodecLibrary codec(test::BuiltPath(QStringLiteral("libkvc.so")));
        vf::frmVfTool form(codec, nullptr);
        form.show();
        // Two seconds of a voice-like tone in a WAV file.
        QByteArray samples;
        for (int i = 0; i < 16000; ++i) {
            const qint16 v =
                qint16(8000 * std::sin(i * 2 * M_PI * 220 / 8000) * (0.5 + 0.5 * std::sin(i * 2 * M_PI * 3 / 8000)));
            samples.append(reinterpret_cast<const char*>(&v), 2);
        }
        test::WriteFile(path(QStringLiteral("tone.wav")), vf::WavHeader(quint32(samples.size())) + samples);
        form.txtWavFile->setText(path(QStringLiteral("tone.wav")));
        form.txtDatFile->setText(path(QStringLiteral("tone.Dat")));
        QTest::mouseClick(form.opt96, Qt::LeftButton, {}, OnIndicator(form.opt96));
        QTest::mouseClick(form.cmdEncode, Qt::LeftButton);
        const QByteArray dat = test::ReadFile(path(QStringLiteral("tone.Dat")));
        // 100 frames in 32000 bytes, all but the last one encoded, at 9.6 kbit/s.
        QCOMPARE(dat.size(), 99 * 24);
        QCOMPARE(uchar(dat[0]) & 0xE0, 0x80);
        QVERIFY(form.lblStatus->text().isEmpty());
        QVERIFY(!QFile::exists(path(QStringLiteral("tmp.wav"))));

        form.txtWavFile->setText(path(QStringLiteral("back.wav")));
        QTest::mouseClick(form.cmdDecode, Qt::LeftButton);
        QCOMPARE(test::ReadFile(path(QStringLiteral("back.wav"))).size(), 44 + 99 * 320);
    }

    void emptyDataShowsNotFoundAndGoesOn() {
        vf::CodecLibrary codec(test::BuiltPath(QStringLiteral("libkvc.so")));
        vf::frmVfTool form(codec, nullptr);
        form.show();
        test::WriteFile(path(QStringLiteral("empty.Dat")), QByteArray());
        form.txtDatFile->setText(path(QStringLiteral("empty.Dat")));
        form.txtWavFile->setText(path(QStringLiteral("empty.wav")));
        QString caption, text;
        AnswerNextBox([&](QWidget* box) {
            caption = box->windowTitle();
            text = static_cast<QMessageBox*>(box)->text();
            static_cast<QMessageBox*>(box)->accept();
        });
        QTest::mouseClick(form.cmdDecode, Qt::LeftButton);
        QCOMPARE(caption, QStringLiteral("Error"));
        QCOMPARE(text,
                 QStringLiteral("The file ") + path(QStringLiteral("empty.wav")) + QStringLiteral(" was not found"));
        QVERIFY(!QFile::exists(path(QStringLiteral("empty.wav"))));  // no empty file that looks decoded
        QVERIFY(!form.Failed());
    }

    void failureShowsVfToolBoxAndEnds() {
        vf::CodecLibrary codec(test::BuiltPath(QStringLiteral("libkvc.so")));
        vf::frmVfTool form(codec, nullptr);
        form.show();
        form.txtDatFile->setText(path(QStringLiteral("no such file.Dat")));
        form.txtWavFile->setText(path(QStringLiteral("never.wav")));
        QSignalSpy ends(&form, &vf::frmVfTool::ProgramEnds);
        QString caption, text;
        AnswerNextBox([&](QWidget* box) {
            caption = box->windowTitle();
            text = static_cast<QMessageBox*>(box)->text();
            QVERIFY(ends.isEmpty());  // not before the box is answered
            QTest::keyClick(box, Qt::Key_Return);
        });
        QTest::mouseClick(form.cmdDecode, Qt::LeftButton);
        QCOMPARE(ends.size(), 1);
        QCOMPARE(ends[0][0].toInt(), 1);
        QCOMPARE(caption, QStringLiteral("vfTool"));
        QVERIFY2(text.startsWith(QStringLiteral("Run-time error '53':")), qPrintable(text));
        QVERIFY(form.Failed());
        QVERIFY(!form.isVisible());
        QVERIFY(!QFile::exists(path(QStringLiteral("never.wav"))));
    }

    void browseFillsTheRightBoxAndCancelKeepsIt() {
        vf::CodecLibrary codec(test::BuiltPath(QStringLiteral("libkvc.so")));
        vf::frmVfTool form(codec, nullptr);
        form.show();
        test::WriteFile(path(QStringLiteral("pick.Dat")), QByteArray(11, '\0'));
        QFileDialog* dialog = form.findChild<QFileDialog*>(QStringLiteral("CMDialog1"));
        AnswerNextBox([&](QWidget*) {
            // Typed into the name box, as a user does.
            QLineEdit* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setText(path(QStringLiteral("pick.Dat")));
            static_cast<QDialog*>(dialog)->accept();
            if (dialog->isVisible())
                dialog->reject();
        });
        QTest::mouseClick(form.cmdInput, Qt::LeftButton);
        QCOMPARE(form.txtDatFile->text(), path(QStringLiteral("pick.Dat")));
        QVERIFY(form.txtWavFile->text().isEmpty());

        form.txtWavFile->setText(QStringLiteral("typed.wav"));
        AnswerNextBox([&](QWidget*) { dialog->reject(); });
        QTest::mouseClick(form.cmdOutput, Qt::LeftButton);
        QCOMPARE(form.txtWavFile->text(), QStringLiteral("typed.wav"));
        QCOMPARE(form.txtDatFile->text(), path(QStringLiteral("pick.Dat")));
    }
};

QTEST_MAIN(frmVfToolTest)
#include "frmVfTool_test.moc"
