// The forms at every size, in every shipped language, for a screen reader:
// qlmshots' layout report at three window sizes in English and German (list
// above the status bar, no overlapping controls, no cut texts), and a walk of
// each form's accessibility tree that finds no unnamed control.
#include <QAccessible>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "app/catalogue/calllistmodel.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/ui/frmAbout.h"
#include "app/ui/frmChangepwd.h"
#include "app/ui/frmConverter.h"
#include "app/ui/frmMain.h"
#include "app/ui/frmSelect.h"
#include "app/ui/frmSignin.h"
#include "app/ui/frmWriteCom.h"
#include "tests/support/testsupport.h"

using namespace qlm;

namespace {

QRect Rect(const QJsonObject& w) {
    return {w[u"x"].toInt(), w[u"y"].toInt(), w[u"width"].toInt(), w[u"height"].toInt()};
}

// What a user would see wrong on one rendered form.
QStringList Faults(const QJsonObject& form) {
    QStringList faults;
    const QString shot = form[u"shot"].toString() + QStringLiteral(": ");
    QMap<QString, QJsonObject> byName;
    QMultiMap<QString, QJsonObject> byParent;
    for (const QJsonValue v : form[u"widgets"].toArray()) {
        const QJsonObject w = v.toObject();
        byName.insert(w[u"name"].toString(), w);
        if (w[u"visible"].toBool() && Rect(w).isValid())
            byParent.insert(w[u"parent"].toString(), w);
    }
    for (const QString& parent : byParent.uniqueKeys()) {
        const QList<QJsonObject> siblings = byParent.values(parent);
        for (int i = 0; i < siblings.size(); ++i)
            for (int j = i + 1; j < siblings.size(); ++j)
                if (Rect(siblings[i]).intersects(Rect(siblings[j])))
                    faults << shot + siblings[i][u"name"].toString() + QStringLiteral(" overlaps ") +
                                  siblings[j][u"name"].toString();
    }
    for (const QJsonValue v : form[u"texts"].toArray())
        if (!v[u"fits"].toBool())
            faults << shot + v[u"name"].toString() + QStringLiteral(" cuts \"") + v[u"text"].toString() + u'"';
    if (form[u"form"].toString() == u"frmMain") {
        const QRect list = Rect(byName[QStringLiteral("lvData")]);
        const QRect bar = Rect(byName[QStringLiteral("sbaMain")]);
        if (list.height() < 60 || list.bottom() >= bar.top())
            faults << shot + QStringLiteral("list %1..%2, status bar from %3")
                                 .arg(list.top())
                                 .arg(list.bottom())
                                 .arg(bar.top());
    }
    return faults;
}

// Controls a user operates; their items and cells are named by their texts.
bool Interactive(QAccessible::Role role) {
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::Slider:
    case QAccessible::List:
    case QAccessible::Table:
    case QAccessible::Tree:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::MenuItem:
        return true;
    default:
        return false;
    }
}

void CollectUnnamed(QAccessibleInterface* node, const QString& path, QStringList* out) {
    if (!node || node->state().invisible)
        return;
    const QString name = node->text(QAccessible::Name).trimmed();
    const QString here = path + u'/' + (node->object() ? node->object()->objectName() : QString());
    if (Interactive(node->role()) && name.isEmpty())
        out->append(here + QStringLiteral(" (role %1)").arg(int(node->role())));
    const QAccessible::Role role = node->role();
    if (role == QAccessible::List || role == QAccessible::Table || role == QAccessible::Tree)
        return;
    for (int i = 0; i < node->childCount(); ++i)
        CollectUnnamed(node->child(i), here, out);
}

QStringList Unnamed(QWidget* form) {
    form->show();
    QApplication::processEvents();
    QStringList out;
    CollectUnnamed(QAccessible::queryAccessibleInterface(form), form->objectName(), &out);
    return out;
}

}  // namespace

class LayoutTest : public QObject {
    Q_OBJECT
private slots:
    void init() { PrjPublicM().Reset(); }
    void cleanup() { PrjPublicM().Reset(); }

    void layoutReportAtThreeSizesInEnglishAndGerman() {
        QStringList faults;
        for (const QString& lang : {QString(), QStringLiteral("de")}) {
            for (const QString& size :
                 {QStringLiteral("640x480"), QStringLiteral("1024x768"), QStringLiteral("1600x1000")}) {
                QTemporaryDir out;
                const QString report = out.filePath(QStringLiteral("layout.json"));
                QStringList args{out.path(), QStringLiteral("--size"), size, QStringLiteral("--layout"), report};
                if (!lang.isEmpty())
                    args << QStringLiteral("--lang") << lang;
                const test::RunResult run = test::Run(test::BuiltPath(QStringLiteral("qlmshots")), args);
                QVERIFY2(run.exitCode == 0, run.err.constData());
                const QJsonArray forms = QJsonDocument::fromJson(test::ReadFile(report))[u"forms"].toArray();
                QVERIFY(forms.size() >= 10);
                const QStringList wanted = size.split(u'x');
                for (const QJsonValue form : forms) {
                    faults << Faults(form.toObject());
                    // The window keeps the asked size, or grows to its minimum.
                    if (form[u"form"].toString() == u"frmMain" &&
                        (form[u"width"].toInt() < wanted[0].toInt() || form[u"height"].toInt() < wanted[1].toInt()))
                        faults << size + QStringLiteral(": window shrank");
                }
                if (size == u"640x480")
                    for (const QJsonValue form : forms)
                        if (form[u"form"].toString() == u"frmMain" &&
                            (form[u"width"].toInt() > 1024 || form[u"height"].toInt() > 768))
                            faults << lang + QStringLiteral(": minimum window larger than 1024x768");
            }
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    }

    void everyControlHasAnAccessibleName() {
        test::AppFolder app;
        QStringList unnamed;
        frmMain main;
        main.Load(false);
        unnamed << Unnamed(&main);
        frmSignin signin(&main);
        unnamed << Unnamed(&signin);
        frmChangepwd change(&main);
        unnamed << Unnamed(&change);
        frmAbout about(&main);
        unnamed << Unnamed(&about);
        for (qint16 mode = 0; mode <= 4; ++mode) {
            PrjPublicM().SelectMode = mode;
            frmSelect select(&main);
            unnamed << Unnamed(&select);
            select.hide();
        }
        CallListModel calls;
        CallRecord call;
        call.Date = QDate(2024, 3, 7);
        call.Comment = QStringLiteral(" ");
        calls.Append({call});
        frmWriteCom comment(&main, &calls, 0);
        comment.Load();
        unnamed << Unnamed(&comment);
        frmConverter converter(&main);
        unnamed << Unnamed(&converter);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u'\n')));
    }
};

QTEST_MAIN(LayoutTest)
#include "layout_test.moc"
