#pragma once
// TZelmarPage: the page "Zelmar Mode Settings (2)" (TabSheet3). Left column: lot and keylot
// numbers, clearing the lots, free memory, software version, reading one transponder, and the
// two display captions. Right column: the memory and lot dumps into Memo5.
//
// Each sending handler runs the port guard, sets the command state, writes its status caption
// where it has one, clears the reply buffer and sends; the replies are interpreted by the
// reader link, which writes the controls by name. The page runs the dump-record flow of the
// link: each record line of a dump becomes a readable line of Memo5.
//
// Thread affinity: main thread only.

#include "ui/pagecontext.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace Ui {
class TZelmarPage;
}

class QLineEdit;

class TZelmarPage : public QWidget {
    Q_OBJECT
public:
    TZelmarPage(PageContext& ctx, QWidget* parent = nullptr);
    ~TZelmarPage() override;

    void Button34Click(); // lot, Read
    void Button33Click(); // lot, Set
    void Button36Click(); // keylot, Read
    void Button35Click(); // keylot, Set
    void Button26Click(); // Clear Lots
    void Button27Click(); // Free Memory
    void Button42Click(); // Software Version
    void Button28Click(); // Read transponder
    void Button60Click(); // transponder code to the clipboard
    void Button61Click(); // clipboard into Memo5, as one line
    void Button51Click(); // top line caption, Set
    void Button50Click(); // bottom line caption, Set
    void Button39Click(); // Dump All Memory
    void Button40Click(); // Dump Lot Memory
    void Button41Click(); // Clear Memo
    void Button62Click(); // Memo5 to the clipboard

    // Run when the focus leaves the edit: a lone character gets a "0" in front, "00" becomes
    // "01"; nothing else changes.
    void lotExit();
    void keylotExit();
    void dumpExit();

    // A record line of a dump (state 24): the header into an empty Memo5, then the record's
    // readable line with its day.
    void dumpRecord(const std::string& line);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectControls();
    void paintPanels();
    void guard(void (TZelmarPage::*handler)());
    // Guard, state, the caption change, buffer cleared, send.
    void send(std::int32_t state, const std::string& wire,
              const std::function<void()>& beforeSend = {});

    PageContext& ctx_;
    std::unique_ptr<Ui::TZelmarPage> ui;
};
