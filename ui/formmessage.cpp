#include "ui/formmessage.h"

#include "ui_formmessage.h"

#include <QFont>
#include <QPalette>

TFormmessage::TFormmessage(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::Formmessage>()) {
    ui->setupUi(this);
    // A title bar without buttons: the message is closed with its OK button only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(552, 200);

    QPalette panelColours = ui->Panel1->palette();
    panelColours.setColor(QPalette::Window, QColor(255, 128, 192));
    ui->Panel1->setPalette(panelColours);

    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(16);
    font.setBold(true);
    ui->Panel1->setFont(font);

    ui->Panel1Caption->setAccessibleName(tr("Message"));
    connect(ui->BitBtn1, &QPushButton::clicked, this, &TFormmessage::BitBtn1Click);
}

TFormmessage::~TFormmessage() = default;

void TFormmessage::setText(const QString& text) {
    ui->Panel1Caption->setText(text);
}

QString TFormmessage::text() const {
    return ui->Panel1Caption->text();
}

void TFormmessage::BitBtn1Click() {
    accept();
}
