#pragma once
// TDownloadStrip: "Download to Database" on the page "Data": the button Button53 and the lot
// edit datalot of the transfer strip, with the progress label Labeldump on the record panel.
// Leaving datalot normalises its text (a lone character gets a "0" in front, "00" becomes
// "01"); the button empties Labeldump, resets the count and asks the reader for the records of
// that lot, or of all lots when the edit is empty. The rows arrive through the table download
// of the window, which shows the running count and "Download completed (<n>)".
//
// Every handler runs guarded: a failure is shown in the window's standard error box.
//
// Thread affinity: main thread only. The page and the table download must outlive the strip;
// the page owns it.

#include "ui/pagecontext.h"

#include <QObject>

class QLineEdit;
class QPushButton;
class TDataPage;

namespace px708 {
class TableDownload;
}

class TDownloadStrip : public QObject {
    Q_OBJECT
public:
    TDownloadStrip(TDataPage* page, px708::TableDownload& download, PageContext& ctx);

    void Button53Click();
    void datalotExit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PageContext& ctx_;
    px708::TableDownload& download_;
    QPushButton* Button53_;
    QLineEdit* datalot_;
};
