#pragma once
// TOnlineSettingsPage: the page "On-Line Settings(4)" (TabSheet7), shown when px708.ini asks
// for it. The parameters that shape what the reader sends in on-line mode, read and set in
// Zelmar mode: the no-decode message text (messag) and whether it is sent (rgmessage), the
// prefix and the suffix of every reading, and the five on/off parameters ACK/NAK,
// BiDirectional, Scan + Store, ENQ and Checkdigit.
//
// The texts travel as hexadecimal character codes; "Read" empties the edit and lets the
// reply catalogue decode the answer into it, "Set" sends the edit's text encoded, "Clear
// Reader" the code that empties the reader's text, and Enter in an edit presses its "Set".
// The on/off groups send item 0 (ON) as "1" and item 1 (OFF) as "0"; "Set" needs a selection.
//
// Every handler runs guarded: a failure is shown in the window's standard error box.
//
// Thread affinity: main thread only.

#include "ui/pagecontext.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string_view>

namespace Ui {
class TOnlineSettingsPage;
}

namespace px708 {
struct ReaderText;
}

class QLineEdit;
class TRadioGroup;

class TOnlineSettingsPage : public QWidget {
    Q_OBJECT
public:
    TOnlineSettingsPage(PageContext& ctx, QWidget* parent = nullptr);
    ~TOnlineSettingsPage() override;

    void Button18Click(); // message text, Read
    void Button19Click(); // message text, Set
    void Button65Click(); // message text, Clear Reader
    void Button22Click(); // prefix, Read
    void Button23Click(); // prefix, Set
    void Button44Click(); // prefix, Clear Reader
    void Button24Click(); // suffix, Read
    void Button25Click(); // suffix, Set
    void Button43Click(); // suffix, Clear Reader

    // Enter in the text edits.
    void messagKeyDown();
    void prefixKeyDown();
    void suffixKeyDown();

private:
    void connectControls();
    void paintPanels();
    void guard(void (TOnlineSettingsPage::*handler)());
    // Runs a handler, showing what it throws in the window's standard error box.
    void run(const std::function<void()>& handler);
    void readText(const px708::ReaderText& text, QLineEdit* edit);
    void setText(const px708::ReaderText& text, QLineEdit* edit);
    // Read and Set of one on/off parameter, by its prefix in the parameter table.
    void readOnOff(std::string_view prefix);
    void setOnOff(std::string_view prefix, TRadioGroup* group);

    PageContext& ctx_;
    std::unique_ptr<Ui::TOnlineSettingsPage> ui;
};
