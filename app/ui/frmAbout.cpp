#include "app/ui/frmAbout.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/applyfont.h"
#include "app/ui/commands.h"
#include "app/ui/frmMain.h"
#include "app/ui/startup.h"

namespace qlm {

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About QLM6200"));
    const auto label = [this](const char* name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setWordWrap(true);
        return l;
    };
    lblTitle = label("lblTitle", QStringLiteral("QLM6200"));
    lblVersion = label("lblVersion", QStringLiteral("1.0"));
    Label1 = label("Label1", QString());
    Label2 = label("Label2", QString());
    Label3 = label("Label3", QString());
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    // Texts first, then fonts, as this box always did.
    setWindowTitle(LibStr(str::About, QStringLiteral("About")) + u' ' +
                   LibStr(str::ProgramName, QStringLiteral("QLM6200")));
    Label1->setText(LibStr(str::AboutPurpose, Label1->text()));
    Label2->setText(LibStr(str::AboutWhat, Label2->text()));
    Label3->setText(LibStr(str::Copyright, Label3->text()));
    lblTitle->setText(LibStr(str::ProgramName, lblTitle->text()));
    lblVersion->setText(LibStr(str::Version, lblVersion->text()));
    cmdOK->setText(LibStr(str::AboutOk, cmdOK->text()));
    for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(Label1), static_cast<QWidget*>(Label2),
                       static_cast<QWidget*>(Label3), static_cast<QWidget*>(lblTitle),
                       static_cast<QWidget*>(lblVersion), static_cast<QWidget*>(cmdOK)})
        ApplyFont(w, 2);
    QFont titleFont = lblTitle->font();
    titleFont.setPointSize(titleFont.pointSize() + 6);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("imgIcon"));
    icon->setPixmap(ApplicationIcon().pixmap(64, 64));
    auto* text = new QVBoxLayout;
    text->addWidget(lblTitle);
    text->addWidget(lblVersion);
    text->addSpacing(8);
    text->addWidget(Label1);
    text->addWidget(Label2);
    text->addWidget(Label3);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    setFixedWidth(420);
}

void ShowAbout(frmMain& main) {
    frmAbout about(&main);
    about.exec();
}

}  // namespace qlm
