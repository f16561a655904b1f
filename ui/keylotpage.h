#pragma once
// TKeylotPage: the page "Keylot Upload" (TabSheet9). It shows the keylot list and the state of
// the keylot upload (transfer/keylotupload.h) and wires its buttons to it: "Import CSV File"
// reads a file into the list, "Download  to Reader" sends the list into the keylot, "Clear CSV
// File" empties it. The page is hidden from the page row; the window opens it with Ctrl+K and
// from the Data page's "Keylots" button.
//
// Every handler runs guarded: a failure is shown in the window's standard error box.
//
// Thread affinity: main thread only. The context's keylotUpload must be set and outlive the
// page.

#include "ui/pagecontext.h"

#include <QStringList>
#include <QWidget>

#include <memory>

namespace Ui {
class TKeylotPage;
}

class TKeylotPage : public QWidget {
    Q_OBJECT
public:
    TKeylotPage(PageContext& ctx, QWidget* parent = nullptr);
    ~TKeylotPage() override;

    void Button68Click(); // Import CSV File
    void Button69Click(); // Clear CSV File
    void Button70Click(); // Download  to Reader
    void Button71Click(); // CSV Test: the commands of the whole list, nothing sent
    void datalot3Exit();  // lot normalisation

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The widgets follow the upload's state.
    void showUpload();
    void guard(void (TKeylotPage::*handler)());

    PageContext& ctx_;
    std::unique_ptr<Ui::TKeylotPage> ui;
    QStringList shownList_;
};
