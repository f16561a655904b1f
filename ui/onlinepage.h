#pragma once
// TOnlinePage: the page "On-Line Settings (3)" (TabSheet4). Entering it puts the reader into
// on-line mode with command state 0, in which every line the reader sends is a live reading:
// the link adds it to Memo3. "Fetch Readings" asks the reader for its download store one
// reading at a time with ENQ (state 4); the link adds every answer to Memo4 and asks for the
// next until the reader's lone ACK, which adds "Download completed". Each view has its
// "Clear Memo"; its "Import into Database" stores the 10-character lines of the view as rows
// of the current readings table, stamped with the PC's date and time, leaving the view as it
// is.
//
// Every handler runs guarded: a failure is shown in the window's standard error box.
//
// Thread affinity: main thread only. The context's tbld must outlive the page.

#include "ui/pagecontext.h"

#include <QWidget>

#include <memory>

namespace Ui {
class TOnlinePage;
}

class QPlainTextEdit;

class TOnlinePage : public QWidget {
    Q_OBJECT
public:
    TOnlinePage(PageContext& ctx, QWidget* parent = nullptr);
    ~TOnlinePage() override;

    void Button5Click();  // Clear Memo of the on-line readings
    void Button52Click(); // Import into Database from Memo3
    void Button38Click(); // Clear Memo of the download store
    void Button21Click(); // Fetch Readings
    void Button54Click(); // Import into Database from Memo4

private:
    void connectControls();
    void paintPanels();
    void guard(void (TOnlinePage::*handler)());
    void importFrom(QPlainTextEdit* view);

    PageContext& ctx_;
    std::unique_ptr<Ui::TOnlinePage> ui;
};
