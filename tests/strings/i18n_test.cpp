// The program can be translated: with the German string library loaded,
// every form shows German texts, and no control still shows a text of the
// English library (texts both libraries share, such as "OK", aside).
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSet>
#include <QTreeView>
#include <QtTest>

#include "app/catalogue/calllistmodel.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/frmAbout.h"
#include "app/ui/frmChangepwd.h"
#include "app/prjpublic.h"
#include "app/ui/frmMain.h"
#include "app/ui/frmSelect.h"
#include "app/ui/frmSignin.h"
#include "app/ui/frmWriteCom.h"
#include "platform/appfolder.h"
#include "platform/privateprofile.h"
#include "tests/support/testsupport.h"

using namespace qlm;

namespace {

// Every text a user can see on a window: title, captions, tooltips, list
// items, menu entries, column headers.
QStringList VisibleTexts(QWidget* form) {
    QStringList texts{form->windowTitle()};
    QList<QWidget*> widgets = form->findChildren<QWidget*>();
    widgets << form;
    for (QWidget* w : widgets) {
        texts << w->toolTip();
        if (auto* l = qobject_cast<QLabel*>(w))
            texts << l->text();
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            texts << b->text();
        if (auto* g = qobject_cast<QGroupBox*>(w))
            texts << g->title();
        if (auto* e = qobject_cast<QLineEdit*>(w))
            texts << e->text() << e->placeholderText();
        if (auto* c = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i)
                texts << c->itemText(i);
        if (auto* m = qobject_cast<QMenu*>(w))
            texts << m->title();
        if (auto* v = qobject_cast<QTreeView*>(w); v && v->model())
            for (int i = 0; i < v->model()->columnCount(); ++i)
                texts << v->model()->headerData(i, Qt::Horizontal).toString();
    }
    for (QAction* a : form->findChildren<QAction*>())
        texts << a->text() << a->toolTip() << a->iconText();
    texts.removeAll(QString());
    return texts;
}

QString Plain(QString text) { return text.remove(u'&').trimmed(); }

// A library whose every string is its own number, as <N>: a text without
// such a mark did not come from the library.
void LoadMarkerLibrary(const QString& path) {
    // As many strings as the shipped library numbers.
    const int total = PrivateProfile::Load(test::SourcePath(QStringLiteral("data/strLib.ini")))
                          .GetInt(QStringLiteral("QLM6200"), QStringLiteral("TotalStr"), 0);
    QByteArray ini = "[QLM6200]\nTotalFont=0\nTotalStr=" + QByteArray::number(total) + "\n";
    for (int n = 1; n <= total; ++n)
        ini += "Str" + QByteArray::number(n) + "=<" + QByteArray::number(n) + ">\n";
    test::WriteFile(path, ini);
    LoadStringLibrary(path, QStringLiteral("QLM6200"));
}

// Texts that are not the library's: numbers, the volume options' "X 1".."X",
// and what the call itself holds.
bool IsDataText(const QString& text) {
    static const QRegularExpression data(QStringLiteral("^[0-9 :./X-]*$"));
    return data.match(text).hasMatch();
}

QStringList UnmarkedTexts(QWidget* form) {
    QStringList out;
    for (const QString& text : VisibleTexts(form))
        if (!text.contains(u'<') && !IsDataText(text))
            out << text;
    return out;
}

}  // namespace

class TranslationTest : public QObject {
    Q_OBJECT
private:
    test::AppFolder* app_ = nullptr;
    QSet<QString> englishOnly_;  // texts of the English library that German changes
    QSet<QString> german_;

    void Check(QWidget* form) {
        int translated = 0;
        for (const QString& text : VisibleTexts(form)) {
            QVERIFY2(!englishOnly_.contains(Plain(text)),
                     qPrintable(form->objectName() + QStringLiteral(" still shows \"") + text + u'"'));
            if (german_.contains(Plain(text)))
                ++translated;
        }
        QVERIFY2(translated >= 3, qPrintable(form->objectName()));
    }

private slots:
    void initTestCase() {
        app_ = new test::AppFolder;  // loads the English library
        QMap<int, QString> english;
        for (int n = 1; n <= TotalStr(); ++n)
            english[n] = Plain(LibStr(n));
        const QString german = app_->file(QStringLiteral("strLib.ini"));
        QFile::remove(german);
        QVERIFY(QFile::copy(test::SourcePath(QStringLiteral("data/lang/strLib.de.ini")), german));
        QCOMPARE(LoadStringLibrary(german, QStringLiteral("QLM6200")), StringLibraryStatus::Loaded);
        // The German library is complete: every English number is there.
        QVERIFY(TotalStr() >= english.lastKey());
        for (auto it = english.cbegin(); it != english.cend(); ++it) {
            const QString g = Plain(LibStr(it.key()));
            QVERIFY2(it->isEmpty() || !g.isEmpty(), qPrintable(QStringLiteral("Str%1").arg(it.key())));
            if (!it->isEmpty() && *it != g)
                englishOnly_.insert(*it);
            if (!g.isEmpty())
                german_.insert(g);
        }
    }
    void cleanupTestCase() { delete app_; }
    // Each test starts from the German library.
    void init() {
        PrjPublicM().Reset();
        LoadStringLibrary(app_->file(QStringLiteral("strLib.ini")), QStringLiteral("QLM6200"));
    }

    void codeTextsStayDistinct() {
        // The lists of the search panel and the list's cells tell codes apart
        // by these texts alone.
        QSet<QString> seen;
        for (int n : {46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 104})
            seen.insert(LibStr(n));
        QCOMPARE(seen.size(), 11);
    }

    void mainWindow() {
        frmMain w;
        CallListModel model;
        w.lvData->setModel(&model);
        w.Load(false);
        QCOMPARE(w.MnuFile->title(), QStringLiteral("&Datei"));
        QCOMPARE(w.windowTitle(), LibStr(str::ProgramName) + QStringLiteral(" V") + LibStr(str::Version));
        Check(&w);
    }

    void commentDialog() {
        CallListModel model;
        CallRecord call;
        call.Date = QDate(2024, 3, 7);
        call.Time = QTime(9, 5, 0);
        call.CallerID = QStringLiteral("5550123");
        call.Comment = QStringLiteral(" ");
        model.Append({call});
        frmWriteCom dialog(nullptr, &model, 0);
        dialog.Load();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Kommentar schreiben"));
        QCOMPARE(dialog.findChild<QLineEdit*>("txtInOut")->text(), QStringLiteral("Eingehend"));
        Check(&dialog);
    }

    void accessDialogs() {
        frmSignin signin;
        QCOMPARE(signin.windowTitle(), QStringLiteral("Anmelden"));
        Check(&signin);
        frmChangepwd change;
        QCOMPARE(change.windowTitle(), QStringLiteral("Kennwort ändern"));
        Check(&change);
    }

    void everyCaptionComesFromTheLibrary() {
        LoadMarkerLibrary(app_->file(QStringLiteral("marker.ini")));
        frmMain w;
        CallListModel model;
        w.lvData->setModel(&model);
        w.Load(false);
        QCOMPARE(UnmarkedTexts(&w), QStringList());
        CallRecord call;
        call.Date = QDate(2024, 3, 7);
        call.Comment = QStringLiteral(" ");
        model.Append({call});
        frmWriteCom comment(&w, &model, 0);
        comment.Load();
        QCOMPARE(UnmarkedTexts(&comment), QStringList());
        frmSignin signin;
        QCOMPARE(UnmarkedTexts(&signin), QStringList());
        frmChangepwd change;
        QCOMPARE(UnmarkedTexts(&change), QStringList());
        frmAbout about;
        QCOMPARE(UnmarkedTexts(&about), QStringList());
    }

    void folderDialogInEveryMode() {
        frmSelect::SetVolumeLister([] { return QVector<Volume>{{QStringLiteral("/"), QString()}}; });
        for (qint16 mode = 0; mode <= 4; ++mode) {
            PrjPublicM().SelectMode = mode;
            frmSelect select;
            select.setObjectName(QStringLiteral("frmSelect mode %1").arg(mode));
            Check(&select);
        }
        LoadMarkerLibrary(app_->file(QStringLiteral("marker.ini")));
        for (qint16 mode = 0; mode <= 4; ++mode) {
            PrjPublicM().SelectMode = mode;
            frmSelect select;
            QCOMPARE(UnmarkedTexts(&select), QStringList());
        }
        frmSelect::SetVolumeLister({});
    }

    void aboutBox() {
        frmAbout about;
        QCOMPARE(about.windowTitle(), LibStr(str::About) + u' ' + LibStr(str::ProgramName));
        Check(&about);
    }
};

QTEST_MAIN(TranslationTest)
#include "i18n_test.moc"
