#include "ui/errorbox.h"

#include "ui/modal.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QString>

namespace px708 {

void showErrorText(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), text,
                    QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("ErrorBox"));
    runModal(box);
}

void showException(QWidget* parent, const std::exception& e) {
    showErrorText(parent, QString::fromLocal8Bit(e.what()));
}

bool guarded(QWidget* parent, const std::function<void()>& work) {
    try {
        work();
        return true;
    } catch (const std::exception& e) {
        showException(parent, e);
    } catch (...) {
        showErrorText(parent, QStringLiteral("Unknown error"));
    }
    return false;
}

} // namespace px708
