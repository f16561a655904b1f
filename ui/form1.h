#pragma once
// TForm1: the main window. It owns the serial port component Com1, the reader link, and the
// table connection Db1 with the settings table tblc and the current readings table tbld for
// the whole run, hosts the page widgets, and is the link's view: the link names controls by
// their layout names, which are the widgets' objectNames anywhere in the window.
//
// Start-up runs in the constructor (FormCreate: the tables, the first-run Setup, the date
// settings, the field names). The constructor builds the cover page only; the other pages
// follow right after the window's first paint, or as soon as something needs them. The first
// show runs FormShow (the port on the stored port number and program baud rate), closing runs
// FormClose (a pending change of the settings record or of the current reading is stored, then
// the trace and log are written and the port closed).
// Every handler runs guarded: an exception it raises is shown in the application's standard
// error box and goes no further.
//
// Thread affinity: main thread only.

#include "link/linkview.h"
#include "ui/pagecontext.h"

#include <QPointer>
#include <QWidget>

#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace Ui {
class Form1;
}

namespace px708 {
class TComPort;
class ReaderLink;
class EComPortException;
class Database;
class Table;
class TableDownload;
class TableUpload;
class KeylotUpload;
} // namespace px708

class FieldBinder;
class QTabWidget;
class TDataPage;

class TForm1 : public QWidget, public px708::LinkView {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    px708::TComPort& Com1() { return *Com1_; }
    px708::ReaderLink& link() { return *link_; }
    QTabWidget* Page() const;
    PageContext& context() { return *context_; }
    // The table connection and the two tables the window owns for the whole run.
    px708::Database& Db1() { return *Db1_; }
    px708::Table& tblc() { return *tblc_; }
    px708::Table& tbld() { return *tbld_; }
    TDataPage* dataPage() const {
        ensurePages();
        return dataPage_;
    }
    // Builds the pages other than the cover now, if they are not there yet. They are built
    // after the cover's first paint, or earlier when something needs them.
    void ensurePages() const;
    bool pagesBuilt() const { return pagesBuilt_; }
    // "Download to Database": record lines of command state 30 become rows of tbld.
    px708::TableDownload& tableDownload() { return *tableDownload_; }
    // "Download table to Reader": rows of tbld sent to the reader, one per "SOK" of state 31.
    px708::TableUpload& tableUpload() { return *tableUpload_; }
    // The keylot page's list and its upload into the reader's keylot (states 32, 211, 55).
    px708::KeylotUpload& keylotUpload() { return *keylotUpload_; }

    // The page (TabSheet) at index, counted over shown and hidden pages alike.
    QWidget* pageSheet(int index) const;
    // Puts a page widget onto the page at index, filling it. The page takes ownership.
    void hostPage(int index, QWidget* pageWidget);

    // Selects a page from the program: no page change, so no mode command is sent.
    void selectPage(int index);
    // Opens the hidden page "Keylot Upload" as the operator does (Ctrl+K, or "Keylots" on the
    // Data page): a page change, so the reader is put into its own mode.
    void showKeylotPage();

    // Shows an exception in the standard error box; what page widgets use through the context.
    void showException(const std::exception& e);

    // The handlers of the frame, under the names of the original.
    void FormCreate();
    void FormShow();
    void FormClose();
    void PageChange(int index);
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void Button29Click();
    void Button32Click();
    void Button58Click();

    // The PC-side settings on "Settings (1)", bound to the settings record.
    void rgbaudpChange();
    void PortSpinEdit1Enter();
    void PortSpinEdit1Exit();
    void rgdtChange();
    void DBEdit1Change();

    // The serial ports test on "Settings (1)": lists in Memo2 the port numbers 1 to 60 whose
    // device can be opened exclusively now. The window's own open port is not available.
    void Button72Click();
    bool ComPortAvailable(const char* device) const;

    // LinkView
    void appendLine(std::string_view memo, const std::string& line) override;
    void setRadioIndex(std::string_view group, int index) override;
    void setCaption(std::string_view label, const std::string& text) override;
    void setText(std::string_view edit, const std::string& text) override;
    std::string text(std::string_view edit) const override;
    void showMessage(const std::string& text) override;
    void messageBox(const std::string& text) override;
    void setWaitCursor() override;
    void restoreCursor() override;
    void repaintNow() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void initCom1();
    void connectControls();
    void hostCoverPage();
    void buildPages();
    void bindSettingsControls();
    // The show step's reopening: close, set Baud to progbaud and ComNumber to port, open.
    void reopenComOnStoredSettings();
    // The pages follow a new short date pattern.
    void applyDatePattern();
    // Runs a handler, showing what it throws in the standard error box.
    void guard(void (TForm1::*handler)());
    QWidget* control(std::string_view name) const;

    std::unique_ptr<Ui::Form1> ui;
    std::unique_ptr<px708::TComPort> Com1_;
    std::unique_ptr<px708::ReaderLink> link_;
    std::unique_ptr<PageContext> context_;
    std::unique_ptr<px708::Database> Db1_;
    std::unique_ptr<px708::Table> tblc_;
    std::unique_ptr<px708::Table> tbld_;
    std::unique_ptr<px708::TableDownload> tableDownload_;
    std::unique_ptr<px708::TableUpload> tableUpload_;
    std::unique_ptr<px708::KeylotUpload> keylotUpload_;
    QWidget* coverPage_ = nullptr;
    TDataPage* dataPage_ = nullptr;
    QWidget* settingsPage_ = nullptr;
    FieldBinder* settingsBinder_ = nullptr;
    int extra_ = 0;
    bool shown_ = false;
    bool closed_ = false;
    bool programSelectsPage_ = false;
    bool probingPorts_ = false;
    bool pagesBuilt_ = false;
    // The start reached the field names before the Data page was there.
    bool fieldNamesPending_ = false;
    // The controls the link has named, by name.
    mutable std::map<std::string, QPointer<QWidget>> controls_;
};
