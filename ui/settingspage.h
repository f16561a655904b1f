#pragma once
// TSettingsPage: the page "Settings (1)" (TabSheet2). The reader's general parameters (baud
// rate, save and seek mode, display, trigger, LEDs and tone, the current on-line settings),
// the reader clock, and the PC-side settings of the port, the program baud rate and the
// date format.
//
// Each handler reads its controls, checks the operator's input, and sends one command through
// the reader link; the replies are interpreted by the link, which writes the controls by name.
// The clock read back comes to do_datetime through the window's flow handlers.
//
// The PC-side controls (PortSpinEdit1, rgbaudp, DBEdit1, rgdt, Button72) are placed here and
// bound by the window: their accessors and the signals below are the binding slots.
//
// Thread affinity: main thread only.

#include "ui/pagecontext.h"

#include <QDateTime>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

namespace Ui {
class TSettingsPage;
}

class QDateEdit;
class QKeyEvent;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class TRadioGroup;

class TSettingsPage : public QWidget {
    Q_OBJECT
public:
    TSettingsPage(PageContext& ctx, QWidget* parent = nullptr);
    ~TSettingsPage() override;

    // Reader parameters.
    void Button10Click(); // baud rate, Read
    void Button3Click();  // baud rate, Set
    void Button20Click(); // current on-line settings, Read
    void Button47Click(); // Clear Memo
    void Button1Click();  // save/seek mode, Read
    void Button2Click();  // save/seek mode, Set
    void Button30Click(); // display, Read
    void Button31Click(); // display, Set
    void Button37Click(); // trigger, Read
    void Button57Click(); // LEDs and tone, Set

    // Reader clock.
    void Button49Click(); // Read
    void Button48Click(); // Set from the PC clock
    void Button66Click(); // Set from the entered date and time
    // Shows a reply line of the clock state as the reader's date and time.
    void do_datetime(const std::string& line);
    // The time entry: true when the key is discarded; the checks after each change.
    bool pickertKeyPress(const QKeyEvent& key);
    void pickertChange();

    // The date picker follows the short date pattern; call after the pattern changes.
    void applyDatePattern();

    // Where "Set" from the PC clock takes the present time; the PC's local clock unless
    // replaced (tests fix it).
    void setClock(std::function<QDateTime()> now);

    // Binding slots of the PC-side controls.
    QSpinBox* PortSpinEdit1() const;
    TRadioGroup* rgbaudp() const;
    QLineEdit* DBEdit1() const;
    TRadioGroup* rgdt() const;
    QPushButton* Button72() const;
    QPlainTextEdit* Memo2() const;

signals:
    // The focus entered or left the port-number editor.
    void PortSpinEdit1Enter();
    void PortSpinEdit1Exit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectControls();
    void paintPanels();
    // Runs a handler; an exception it raises goes to the standard error box.
    void guard(void (TSettingsPage::*handler)());
    void selectionNeeded();

    PageContext& ctx_;
    std::unique_ptr<Ui::TSettingsPage> ui;
    std::function<QDateTime()> now_;
};
