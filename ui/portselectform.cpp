#include "ui/portselectform.h"

#include "ui/modal.h"
#include "ui_portselectform.h"

#include <QPushButton>

TPortSelectForm::TPortSelectForm(const std::vector<int>& availablePorts, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::PortSelectForm>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    for (int n : availablePorts)
        ui->ComboBox1->addItem(QStringLiteral("COM%1").arg(n));
    ui->ComboBox1->setCurrentIndex(availablePorts.empty() ? -1 : 0);
    okButton()->setDefault(true);
    // With nothing to choose, OK would confirm no port at all; only Cancel is left.
    okButton()->setEnabled(!availablePorts.empty());
    setFixedSize(sizeHint());
    connect(ui->Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

TPortSelectForm::~TPortSelectForm() = default;

int TPortSelectForm::selectedPort() const {
    const QString entry = ui->ComboBox1->currentText();
    return entry.size() > 3 ? entry.mid(3).toInt() : 0;
}

QPushButton* TPortSelectForm::okButton() const {
    return ui->Buttons->button(QDialogButtonBox::Ok);
}

int TPortSelectForm::choosePort(const std::vector<int>& availablePorts, QWidget* parent) {
    TPortSelectForm dialog(availablePorts, parent);
    if (px708::runModal(dialog) != QDialog::Accepted)
        return 0;
    return dialog.selectedPort();
}
