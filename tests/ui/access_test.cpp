// Signing in, changing the password and signing out, driven as a user
// drives the dialogs, against a real password file in a temporary
// application folder.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolBar>
#include <QTreeView>
#include <QtTest>

#include <sys/stat.h>

#include "app/access/dealpwd.h"
#include "app/catalogue/callrecord.h"
#include "app/catalogue/calllistmodel.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/frmChangepwd.h"
#include "app/ui/frmMain.h"
#include "app/ui/frmSelect.h"
#include "app/ui/frmSignin.h"
#include "platform/appfolder.h"
#include "tests/access/accessfixture.h"
#include "tests/support/testsupport.h"
#include "tests/ui/modalscript.h"

using namespace qlm;
using test::ModalScript;

namespace {

QStringList EnabledKeys(const frmMain& w) {
    QStringList keys;
    for (QAction* a : w.tbaMain->actions())
        if (!a->isSeparator() && a->isEnabled())
            keys << a->objectName();
    return keys;
}

template <typename T>
T* Child(QWidget* w, const char* name) {
    return w->findChild<T*>(QString::fromLatin1(name));
}

// Types into a password box (replacing its text) one key event a character,
// as a keyboard sends "\u00fc" or "\u20ac" (keyClicks knows only Latin-1).
void Type(QWidget* dialog, const char* box, const QString& text) {
    auto* edit = Child<QLineEdit>(dialog, box);
    edit->clear();
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
}
void Click(QWidget* dialog, const char* button) {
    QTest::mouseClick(Child<QPushButton>(dialog, button), Qt::LeftButton);
}

// What a dialog looks like when the script reaches it again.
struct Seen {
    QStringList texts;
    QString focus;
};
Seen Look(QWidget* dialog, std::initializer_list<const char*> boxes) {
    Seen seen;
    for (const char* box : boxes)
        seen.texts << Child<QLineEdit>(dialog, box)->text();
    if (QWidget* f = dialog->focusWidget())
        seen.focus = f->objectName();
    return seen;
}

// One try in the sign-in dialog: its message, none when it signed in.
QStringList SignIn(const QString& typed) {
    test::ModalScript script;
    script.On("frmSignin", [&](QWidget* d) {
        Type(d, "txtPwd", typed);
        Click(d, "cmdSubmit");
    });
    script.AnswerMessage();
    script.On("frmSignin", [](QWidget* d) { Click(d, "cmdCancel"); });
    frmSignin dialog;
    return dialog.exec() == QDialog::Accepted ? QStringList() : script.messages();
}

void WriteLibrary(const QString& path, const QByteArray& extra) {
    QByteArray text = test::ReadFile(test::SourcePath("data/strLib.ini"));
    text.replace("Font1=DejaVu Sans, 9, False", "Font1=DejaVu Sans, 11, False");
    text.replace("Font2=DejaVu Sans, 9, False", "Font2=DejaVu Serif, 13, True");
    test::WriteFile(path, text + extra);
}

}  // namespace

class AccessTest : public QObject {
    Q_OBJECT
private slots:
    void init() { PrjPublicM().Reset(); }

    void signInDialogKeepsAskingUntilThePasswordMatches() {
        test::AppFolder app;
        frmSignin dialog;
        QCOMPARE(dialog.windowTitle(), LibStr(str::SignIn));
        QCOMPARE(dialog.Label1->text(), LibStr(str::EnterPassword));
        QCOMPARE(dialog.cmdSubmit->text(), LibStr(str::Ok));
        QCOMPARE(dialog.cmdCancel->text(), LibStr(str::Cancel));
        QCOMPARE(dialog.txtPwd->maxLength(), 16);
        QCOMPARE(dialog.txtPwd->echoMode(), QLineEdit::Password);
        QCOMPARE(dialog.txtPwd->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, dialog.txtPwd),
                 int(u'*'));

        int signedIn = 0;
        dialog.onSignedIn = [&] { ++signedIn; };
        QList<Seen> seen;
        ModalScript script;
        script.On("frmSignin", [&](QWidget* d) {
            seen << Look(d, {"txtPwd"});
            QTest::keyClicks(Child<QLineEdit>(d, "txtPwd"), "a guess that is far too long");
            seen << Look(d, {"txtPwd"});
            Click(d, "cmdSubmit");
        });
        script.AnswerMessage();
        script.On("frmSignin", [&](QWidget* d) {
            seen << Look(d, {"txtPwd"});
            Type(d, "txtPwd", "x");
            Click(d, "cmdSubmit");
        });
        script.AnswerMessage();
        // No password file yet: the empty password.
        script.On("frmSignin", [&](QWidget* d) {
            seen << Look(d, {"txtPwd"});
            Click(d, "cmdSubmit");
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QVERIFY(script.done());
        QCOMPARE(signedIn, 1);
        QCOMPARE(script.messages(), QStringList({LibStr(str::WrongPassword), LibStr(str::WrongPassword)}));
        QCOMPARE(seen.size(), 4);
        QCOMPARE(seen[0].focus, "txtPwd");
        QCOMPARE(seen[1].texts, QStringList{"a guess that is "});  // 16 characters at most
        for (int i : {2, 3}) {
            QCOMPARE(seen[i].texts, QStringList{""});
            QCOMPARE(seen[i].focus, "txtPwd");
        }
        QVERIFY(QFile::exists(app.file("qlm6200.pwd")));
    }

    void fontsAndTextsComeFromTheLibrary() {
        test::AppFolder app;
        WriteLibrary(app.file("strLib.ini"), QByteArray());
        QCOMPARE(LoadStringLibrary(app.file("strLib.ini"), "QLM6200"), StringLibraryStatus::Loaded);
        {
            frmChangepwd dialog;
            QCOMPARE(dialog.windowTitle(), LibStr(str::ChangePassword));
            QCOMPARE(QStringList(
                         {dialog.Label1->text(), dialog.Label2->text(), dialog.Label3->text(), dialog.Label4->text()}),
                     QStringList({LibStr(str::EnterOldPassword), LibStr(str::EnterNewPassword),
                                  LibStr(str::EnterPasswordAgain), LibStr(str::PasswordMaxLength)}));
            QCOMPARE(dialog.cmdSubmit->text(), LibStr(str::Ok));
            QVERIFY(dialog.font().bold());
            QCOMPARE(dialog.font().pointSize(), 13);
            QVERIFY(dialog.Label4->font().bold());
            QCOMPARE(dialog.Label4->font().family(), "DejaVu Serif");
            for (QWidget* w :
                 std::initializer_list<QWidget*>{dialog.Label1, dialog.txtNewpwd_Check, dialog.cmdCancel}) {
                QVERIFY2(!w->font().bold(), qPrintable(w->objectName()));
                QCOMPARE(w->font().pointSize(), 11);
            }
            QCOMPARE(dialog.txtNewPwd->maxLength(), 16);
            // Tab order: old, new, confirmation, submit, cancel.
            QWidget* w = dialog.txtOldPwd;
            QStringList chain;
            for (int i = 0; i < 5; ++i, w = w->nextInFocusChain())
                chain << w->objectName();
            QCOMPARE(chain, QStringList({"txtOldPwd", "txtNewPwd", "txtNewpwd_Check", "cmdSubmit", "cmdCancel"}));
        }
        {
            frmSignin dialog;
            QVERIFY(dialog.font().bold());
            QVERIFY(!dialog.txtPwd->font().bold());
            QCOMPARE(dialog.Label1->font().pointSize(), 11);
        }

        // A short library: what lies beyond it keeps the design-time text.
        QByteArray shortLib = test::ReadFile(app.file("strLib.ini"));
        shortLib.replace("TotalStr=", "TotalStr=33\n; was ");
        test::WriteFile(app.file("strLib.ini"), shortLib);
        QCOMPARE(LoadStringLibrary(app.file("strLib.ini"), "QLM6200"), StringLibraryStatus::Loaded);
        frmChangepwd dialog;
        QCOMPARE(dialog.Label4->text(), LibStr(str::PasswordMaxLength));
        QCOMPARE(dialog.Label1->text(), "Enter the old password");
        QCOMPARE(dialog.cmdSubmit->text(), "Submit");
        QCOMPARE(dialog.cmdCancel->text(), "Cancel");
    }

    void changeDialogChecksInOrderAndStartsOver() {
        test::AppFolder app;
        QVERIFY(SavePassword("", "old pw"));
        const QByteArray before = test::ReadFile(app.file("qlm6200.pwd"));
        int writes = 0;
        // The first write is cut off between writing and replacing the file.
        SetPasswordWriteHook([&](const QString&) { return ++writes > 1; });

        frmChangepwd dialog;
        QList<Seen> seen;
        QList<QByteArray> file;
        const auto attempt = [&](const QString& oldPw, const QString& newPw, const QString& check) {
            script_->On("frmChangepwd", [&, oldPw, newPw, check](QWidget* d) {
                seen << Look(d, {"txtOldPwd", "txtNewPwd", "txtNewpwd_Check"});
                file << test::ReadFile(app.file("qlm6200.pwd"));
                Type(d, "txtOldPwd", oldPw);
                Type(d, "txtNewPwd", newPw);
                Type(d, "txtNewpwd_Check", check);
                Click(d, "cmdSubmit");
            });
            script_->AnswerMessage();
        };
        ModalScript script;
        script_ = &script;
        attempt("old pw", "new pw", "new pw ");  // differs by a trailing blank
        attempt("old pw", "New pw", "new pw");   // differs in case
        attempt("Old pw", "new pw", "new pw");   // wrong old password
        attempt("old pw", "new pw", "new pw");   // the write is cut off
        attempt(" old pw ", "new pw", "new pw");
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        SetPasswordWriteHook({});
        QVERIFY(script.done());

        QCOMPARE(script.messages().size(), 5);
        QCOMPARE(script.messages().mid(0, 3),
                 QStringList({LibStr(str::NewPasswordsDiffer), LibStr(str::NewPasswordsDiffer),
                              LibStr(str::OldPasswordWrong)}));
        QVERIFY2(script.messages()[3].startsWith(LibStr(str::PasswordNotSaved)), qPrintable(script.messages()[3]));
        QCOMPARE(script.messages()[4], LibStr(str::PasswordChanged));
        QCOMPARE(seen[0].focus, "txtOldPwd");
        for (int i = 1; i < 5; ++i) {
            QCOMPARE(seen[i].texts, QStringList({"", "", ""}));
            QCOMPARE(seen[i].focus, "txtOldPwd");
            QCOMPARE(file[i], before);
        }
        QCOMPARE(writes, 2);
        QVERIFY(CheckPassword("new pw"));
        QVERIFY(!CheckPassword("old pw"));
    }

    void cancellingTheSignInAtStartLeavesFourCommands() {
        test::AppFolder app;
        frmMain w;
        ModalScript script;
        script.On("frmSignin", [](QWidget* d) { Click(d, "cmdCancel"); });
        w.Load(true);
        QVERIFY(script.done());
        QVERIFY(script.cancelled().isEmpty());  // no copy dialog after a cancel
        QCOMPARE(EnabledKeys(w), QStringList({"Sign_In", "Modify_Password", "Exit"}));
        QVERIFY(w.MnuSignIn->isEnabled());
        QVERIFY(!w.MnuSignOut->isEnabled());
        QVERIFY(!PrjPublicM().SignedIn);
    }

    void aNewUserSignsInChangesThePasswordSignsOutAndBackIn() {
        test::AppFolder app;
        QVERIFY(!QFile::exists(app.file("qlm6200.pwd")));
        frmMain w;
        // Signed in, the copy dialog comes at once; cancelled, Open DB asks
        // for a catalogue instead of a build.
        QString panelAtCopy;
        const auto signInThenCancel = [&](ModalScript& script) {
            script.On("frmSelect", [&](QWidget* d) {
                panelAtCopy = w.PanelText(1);
                static_cast<QDialog*>(d)->reject();
            });
            script.On("cdlMain", [](QWidget* d) { static_cast<QDialog*>(d)->reject(); });
        };
        // The first start says that there is no password yet, and how to go on.
        QString hint;
        bool hintShown = false;
        {
            ModalScript script;
            script.On("frmSignin", [&](QWidget* d) {
                if (auto* label = Child<QLabel>(d, "lblFirstStart")) {
                    hint = label->text();
                    hintShown = label->isVisible();
                }
                Click(d, "cmdSubmit");
            });
            signInThenCancel(script);
            w.Load(true);
            QVERIFY(script.done());
            QVERIFY(script.cancelled().isEmpty());
        }
        QVERIFY(hintShown);
        QCOMPARE(hint, LibStr(str::NoPasswordYet) + u'\n' + LibStr(str::SetPasswordLater));
        QVERIFY(hint.contains(u"empty"));
        QVERIFY(PrjPublicM().SignedIn);
        QCOMPARE(panelAtCopy, LibStr(str::SignedIn));
        QCOMPARE(EnabledKeys(w), QStringList({"Sign_Out", "Modify_Password", "Open_DB", "Copy_RECs", "Make_DB",
                                              "Play_Rec", "Delete_CF", "Exit"}));
        QVERIFY(!w.MnuSignIn->isEnabled());
        QVERIFY(w.MnuSignOut->isEnabled());
        QVERIFY(!w.MnuConvertStart->isEnabled());

        {
            ModalScript script;
            script.On("frmChangepwd", [](QWidget* d) {
                Type(d, "txtNewPwd", "Kite 2026");
                Type(d, "txtNewpwd_Check", "Kite 2026");
                Click(d, "cmdSubmit");
            });
            script.AnswerMessage();
            w.ToolbarButton("Modify_Password")->trigger();
            QVERIFY(script.done());
            QCOMPARE(script.messages(), QStringList{LibStr(str::PasswordChanged)});
        }
        QCOMPARE(QFileInfo(app.file("qlm6200.pwd")).size(), 9);
        QCOMPARE(QFile::permissions(app.file("qlm6200.pwd")),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);

        CallRecord call;
        call.Date = QDate(2024, 3, 7);
        w.lvDataModel->Append({call, call, call});
        w.SetPanelText(2, "3 calls");
        PrjPublicM().CataloguePath = app.file("C08261.mdb");
        PrjPublicM().RecordingsFolder = PrjPublicM().SourceFolder = PrjPublicM().DestinationFolder = app.path();
        w.MnuSignOut->trigger();
        QVERIFY(!PrjPublicM().SignedIn);
        QCOMPARE(EnabledKeys(w), QStringList({"Sign_In", "Modify_Password", "Exit"}));
        QVERIFY(!w.MnuSearchStart->isEnabled());
        QVERIFY(!w.MnuWriteComment->isEnabled());
        QCOMPARE(w.PanelText(1), LibStr(str::SignedOut));
        QCOMPARE(w.PanelText(2), QString());
        QCOMPARE(w.lvDataModel->rowCount(), 0);
        QVERIFY(PrjPublicM().CataloguePath.isEmpty() && PrjPublicM().RecordingsFolder.isEmpty() &&
                PrjPublicM().SourceFolder.isEmpty() && PrjPublicM().DestinationFolder.isEmpty());

        {
            ModalScript script;
            script.On("frmSignin", [&](QWidget* d) {
                hintShown = Child<QLabel>(d, "lblFirstStart") != nullptr;  // a password file exists now
                Click(d, "cmdSubmit");                                     // the old, empty one
            });
            script.AnswerMessage();
            script.On("frmSignin", [](QWidget* d) {
                Type(d, "txtPwd", "  Kite 2026 ");
                Click(d, "cmdSubmit");
            });
            signInThenCancel(script);
            panelAtCopy.clear();
            w.ToolbarButton("Sign_In")->trigger();
            QVERIFY(script.done());
            QCOMPARE(script.messages(), QStringList{LibStr(str::WrongPassword)});
        }
        QVERIFY(!hintShown);
        QVERIFY(PrjPublicM().SignedIn);
        QCOMPARE(panelAtCopy, LibStr(str::SignedIn));
        QVERIFY(w.MnuSignOut->isEnabled());
        QVERIFY(!w.ToolbarButton("Convert_Start")->isEnabled());
    }

    // Recordings copied after the sign-in become a catalogue in their new
    // folder, listed at once.
    void aCopyAfterTheSignInIsBuiltIntoACatalogue() {
        test::AppFolder app;
        QTemporaryDir work;
        const QString card = work.filePath("card"), pc = work.filePath("pc");
        QVERIFY(QDir().mkpath(pc));
        QCOMPARE(test::Run(test::BuiltPath("qlmsim"), {"democard", card}).exitCode, 0);
        const int recordings = int(QDir(card).entryList(QDir::Files).size());
        QVERIFY(recordings > 0);

        frmMain w;
        ModalScript script;
        script.On("frmSignin", [](QWidget* d) { Click(d, "cmdSubmit"); });
        script.On("frmSelect", [&](QWidget* d) {
            auto* select = static_cast<frmSelect*>(d);
            select->dirSource->SetPath(card, "/");
            select->dirDest->SetPath(pc, "/");
            QTest::mouseClick(select->cmdSubmit, Qt::LeftButton);
        });
        w.Load(true);
        QVERIFY(script.done());
        QVERIFY(PrjPublicM().SignedIn);
        QCOMPARE(PrjPublicM().RecordingsFolder, pc);
        QCOMPARE(QDir(pc).entryList({"*.mdb"}, QDir::Files).size(), 1);
        QCOMPARE(w.lvDataModel->rowCount(), recordings);
        QVERIFY(!script.cancelled().contains("cdlMain"));  // no Open DB after a copy
    }

    void aPasswordFileOfTheEarlierProgramSignsIn() {
        test::AppFolder app;
        test::WriteFile(app.file("qlm6200.pwd"), "\x43\x23\x43\x22\x74\x7D");
        frmMain w;
        ModalScript script;
        script.On("frmSignin", [](QWidget* d) {
            Type(d, "txtPwd", "Secret");
            Click(d, "cmdSubmit");
        });
        script.AnswerMessage();
        script.On("frmSignin", [](QWidget* d) {
            Type(d, "txtPwd", "secret");
            Click(d, "cmdSubmit");
        });
        w.Load(true);
        QVERIFY(script.done());
        QCOMPARE(script.messages(), QStringList{LibStr(str::WrongPassword)});
        QVERIFY(PrjPublicM().SignedIn);
        QCOMPARE(test::ReadFile(app.file("qlm6200.pwd")), QByteArray("\x43\x23\x43\x22\x74\x7D"));
    }

    // The table of passwords through the change dialog: kept whole and signing
    // in as typed, or refused naming the allowed characters, the file as it
    // was. A folder and a FIFO as the file: each its own message, at once.
    void passwordsThroughTheChangeDialogAndTheSignIn() {
        test::AppFolder app;
        test::FakeBrakeClock clock;
        const QString file = app.file("qlm6200.pwd");
        QString current;
        // The new box before Submit, then all three if the dialog came back.
        QList<Seen> seen;
        const auto change = [&](const QString& to) {
            seen.clear();
            ModalScript script;
            script.On("frmChangepwd", [&](QWidget* d) {
                for (const char* box : {"txtOldPwd", "txtNewPwd", "txtNewpwd_Check"})
                    Type(d, box, box == std::string("txtOldPwd") ? current : to);
                seen << Look(d, {"txtNewPwd"});
                Click(d, "cmdSubmit");
            });
            script.AnswerMessage();
            script.On("frmChangepwd", [&](QWidget* d) {
                seen << Look(d, {"txtOldPwd", "txtNewPwd", "txtNewpwd_Check"});
                Click(d, "cmdCancel");
            });
            frmChangepwd dialog;
            const int result = dialog.exec();
            return std::make_pair(result, script.messages());
        };
        for (const test::StorablePassword& p : test::StorablePasswords()) {
            const auto [result, messages] = change(p.typed);
            QCOMPARE(result, int(QDialog::Accepted));
            QCOMPARE(messages, QStringList{LibStr(str::PasswordChanged)});
            QCOMPARE(seen.value(0).texts, QStringList{p.typed});  // every character reached the box
            QCOMPARE(test::ReadFile(file), ScramblePassword(p.stored, QStringLiteral("KITE")).toLatin1());
            QCOMPARE(SignIn(p.typed), QStringList());
            current = p.stored;
        }
        QVERIFY(SavePassword(current, "Gre1"));
        current = "Gre1";
        const QByteArray kept = test::ReadFile(file);
        for (const test::RefusedPassword& p : test::RefusedPasswords()) {
            if (p.typed.contains(u'\t'))
                continue;  // Tab moves the focus: a box never holds one
            const QStringList messages = change(p.typed).second;
            QCOMPARE(messages, QStringList{LibStr(str::NewPasswordNotKept) + u'\n' + LibStr(str::PasswordCharacters)});
            QCOMPARE(seen.value(0).texts, QStringList{p.typed});
            QCOMPARE(seen.value(1).texts, QStringList({"", "", ""}));  // started over
            QCOMPARE(test::ReadFile(file), kept);
            QCOMPARE(SignIn(p.typed), QStringList{LibStr(str::WrongPassword)});
            QCOMPARE(SignIn(current), QStringList());
        }

        QVERIFY(QFile::remove(file) && QDir().mkdir(file));
        QCOMPARE(SignIn(QString()).value(0).section(u'\n', 0, 0), LibStr(str::PasswordFileIsFolder));
        QVERIFY(QDir().rmdir(file) && ::mkfifo(QFile::encodeName(file).constData(), 0600) == 0);
        QCOMPARE(SignIn(QString()).value(0), LibStr(str::PasswordFileNotRegular) + u'\n' + file);
    }

    // Three wrong passwords cost nothing; then the dialog says how long the
    // next try waits, and a try before then keeps what was typed, unchecked.
    void theBrakeHoldsTheSignInDialogAndSaysHowLong() {
        test::AppFolder app;
        test::FakeBrakeClock clock;
        QVERIFY(SavePassword("", "right"));
        frmSignin dialog;
        ModalScript script;
        QList<Seen> seen;
        for (const char* guess : {"wrong 1", "wrong 2", "wrong 3", "right", "right"}) {
            script.On("frmSignin", [&, guess](QWidget* d) {
                seen << Look(d, {"txtPwd"});
                // The last try: once the wait is over, with what is still typed.
                seen.size() == 5 ? clock.Advance(1000) : Type(d, "txtPwd", QString::fromLatin1(guess));
                Click(d, "cmdSubmit");
            });
            script.AnswerMessage();
        }
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(script.messages().mid(0, 4),
                 QStringList({LibStr(str::WrongPassword), LibStr(str::WrongPassword),
                              LibStr(str::WrongPassword) + u'\n' + LibStr(str::BrakeNextTry).arg(3).arg(1),
                              LibStr(str::BrakeWait).arg(1)}));
        QCOMPARE(seen[4].texts, QStringList{"right"});  // kept for the try after the wait
        QCOMPARE(ReadBrakeState().failures, 0);
    }

private:
    ModalScript* script_ = nullptr;
};

QTEST_MAIN(AccessTest)
#include "access_test.moc"
