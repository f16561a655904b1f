#pragma once
// TDataPage: the page "Data" (TabSheet5). The record panel shows the current row of the
// current readings table (tbld) in bound editors with a record navigator; the grid Grid1
// shows the whole table; "Select Database" makes one of the six readings tables current,
// "Empty Table" removes its rows, "Cancel ALL Flags" clears every flag, and the field names
// panel edits the operator's own names of the readings fields, which do_fieldnames applies
// to the captions and the grid's titles.
//
// The transfer controls of the page (Button53, datalot, Button55, rgselect, datalot2,
// Button67, rgsep, Button46, rgcsv, Memopwd) are placed here; their handlers belong to the
// transfers and are connected by whoever implements them, finding the controls by name.
// "Import CSV File" (Button67) and "Export Table" (Button46) with the groups "CSV Separator"
// (rgsep) and "Export as" (rgcsv) hand their work to transfer/csvimport.h and
// transfer/tableexport.h; the page asks for the file and shows progress and errors.
// "Download table to Reader" (Button55 with rgselect and datalot2) starts the context's
// table upload. The button "Keylots" (keylotPageButton) is the window's to connect: it opens
// the page "Keylot Upload".
//
// Every handler runs guarded: a failure is shown in the window's standard error box.
//
// Thread affinity: main thread only. The context's tblc and tbld must be set and outlive the
// page.

#include "store/tablehooks.h"
#include "ui/pagecontext.h"

#include <QWidget>

#include <memory>

namespace Ui {
class TDataPage;
}

class FieldBinder;
class QTableView;
class ReadingsModel;
class TDBNavigator;

class TDataPage : public QWidget, private px708::PendingText {
    Q_OBJECT
public:
    TDataPage(PageContext& ctx, QWidget* parent = nullptr);
    ~TDataPage() override;

    void Button45Click(); // Select Database
    void SpinEnter();     // the number box passes the focus on to Select Database
    void Button56Click(); // Empty Table
    void Button59Click(); // Cancel ALL Flags
    void Button63Click(); // Edit Fieldnames
    void Button64Click(); // Hide
    void DBEdit2Enter();  // a name editor receives the focus
    void DBEdit2Exit();   // a name editor loses the focus
    void Button67Click(); // Import CSV File
    void Button46Click(); // Export Table
    void Button55Click(); // Download table to Reader
    void datalot2Exit();  // lot normalisation

    // Applies the user field names (field0 to field8) to the captions and the grid titles.
    // Raises the store's error; tblc must be open.
    void do_fieldnames();

    // Writes what the operator typed into the record panel but has not reached the row yet
    // (a time being typed). Raises the store's error.
    void updateRecord();
    // The date editor and the grid follow a new short date pattern.
    void applyDatePattern();

    ReadingsModel& model() const { return *model_; }
    QTableView* Grid1() const;
    TDBNavigator* DBNavigator1() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A text typed into a cell of the grid and not yet entered reaches the row before the
    // table's cursor moves (the record panel's editors see to their own).
    void writePendingText() noexcept override;

    void setUpGrid();
    void bindRecordPanel();
    void bindFieldNames();
    void connectControls();
    void paintPanels();
    void setPanelColourOf(int tableNumber);
    void sizeColumns();
    void followTableCursor(int pos);
    void scheduleFollowTableCursor();
    void guard(void (TDataPage::*handler)());
    void showError(const std::exception& e);
    void setUpFileTransfers();
    // The file dialog Open1 (to open) or Save1 (to save); the empty text when cancelled.
    QString askFileName(bool save, const QString& filter);

    PageContext& ctx_;
    std::unique_ptr<Ui::TDataPage> ui;
    ReadingsModel* model_ = nullptr;
    FieldBinder* record_ = nullptr; // the record panel on tbld
    FieldBinder* names_ = nullptr;  // the field names panel on tblc
    bool followingCursor_ = false;
    QString fileFolder_; // where the file dialogs open next
    bool committingGridEditor_ = false;
    bool followScheduled_ = false;
};
