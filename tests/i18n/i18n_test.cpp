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
#include "app/ui/frmAbout.h"
#include "app/ui/frmMain.h"
#include "app/ui/frmWriteCom.h"
#include "platform/appfolder.h"
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
        QCOMPARE(w.windowTitle(), LibStr(122) + QStringLiteral(" V") + LibStr(123));
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

    void aboutBox() {
        frmAbout about;
        QCOMPARE(about.windowTitle(), LibStr(124) + u' ' + LibStr(122));
        Check(&about);
    }
};

QTEST_MAIN(TranslationTest)
#include "i18n_test.moc"
