#pragma once
// TFormsetup: the Setup dialog of the first run. The operator states the date separator and
// the order of day and month of his PC's regional settings; the OK button writes the results
// into Label1 ("/", "-" or ".") and Label2 ("0" day first, "1" month first) and closes the
// dialog. The caller reads them once the dialog has closed; both are empty when the dialog
// ended without its OK button.
//
// The dialog has no title-bar buttons, and neither Escape nor a close request of the window
// manager ends it: the only way out is OK, so a first run always gets its settings.
//
// Thread affinity: main thread only.

#include <QDialog>

#include <memory>

namespace Ui {
class Formsetup;
}

class TRadioGroup;

class TFormsetup : public QDialog {
    Q_OBJECT
public:
    explicit TFormsetup(QWidget* parent = nullptr);
    ~TFormsetup() override;

    // The results: the text of Label1 and of Label2.
    QString separatorResult() const;
    QString orderResult() const;

    TRadioGroup* rg1() const;
    TRadioGroup* rg2() const;

    void BitBtn1Click();

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::Formsetup> ui;
};
