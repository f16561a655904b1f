#include "ui/formsetup.h"

#include "ui/radiogroup.h"
#include "ui_formsetup.h"

#include <QCloseEvent>
#include <QPalette>
#include <QScreen>

TFormsetup::TFormsetup(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::Formsetup>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(406, 328);

    QPalette panel = ui->Panel1->palette();
    panel.setColor(QPalette::Window, QColor(192, 220, 192));
    ui->Panel1->setPalette(panel);

    QPalette heading = ui->Label3->palette();
    heading.setColor(QPalette::WindowText, Qt::red);
    ui->Label3->setPalette(heading);
    QFont headingFont = ui->Label3->font();
    headingFont.setPixelSize(13);
    headingFont.setBold(true);
    ui->Label3->setFont(headingFont);

    for (TRadioGroup* group : {ui->rg1, ui->rg2}) {
        QFont bold = group->font();
        bold.setBold(true);
        group->setFont(bold);
    }
    ui->rg1->setItemIndex(0);
    ui->rg2->setItemIndex(0);

    connect(ui->BitBtn1, &QPushButton::clicked, this, &TFormsetup::BitBtn1Click);
}

TFormsetup::~TFormsetup() = default;

QString TFormsetup::separatorResult() const {
    return ui->Label1->text();
}

QString TFormsetup::orderResult() const {
    return ui->Label2->text();
}

TRadioGroup* TFormsetup::rg1() const {
    return ui->rg1;
}

TRadioGroup* TFormsetup::rg2() const {
    return ui->rg2;
}

void TFormsetup::BitBtn1Click() {
    switch (ui->rg1->itemIndex()) {
    case 0:
        ui->Label1->setText(QStringLiteral("/"));
        break;
    case 1:
        ui->Label1->setText(QStringLiteral("-"));
        break;
    case 2:
        ui->Label1->setText(QStringLiteral("."));
        break;
    default:
        break;
    }
    switch (ui->rg2->itemIndex()) {
    case 0:
        ui->Label2->setText(QStringLiteral("0"));
        break;
    case 1:
        ui->Label2->setText(QStringLiteral("1"));
        break;
    default:
        break;
    }
    accept();
}

void TFormsetup::reject() {
    // Escape does not end the dialog: the first run needs its answers.
}

void TFormsetup::closeEvent(QCloseEvent* event) {
    // The title bar has no close box; a close request from elsewhere is refused as well.
    event->ignore();
}

void TFormsetup::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // At the screen's centre, whether or not the main window is shown yet.
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
}
