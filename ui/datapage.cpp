#include "ui/datapage.h"

#include "store/fieldnames.h"
#include "store/readingstables.h"
#include "store/schemas.h"
#include "store/table.h"
#include "transfer/csvimport.h"
#include "transfer/tableexport.h"
#include "transfer/tableupload.h"
#include "ui/dbnavigator.h"
#include "ui/fieldbinding.h"
#include "ui/findbar.h"
#include "ui/modal.h"
#include "ui/pagesupport.h"
#include "ui/radiogroup.h"
#include "ui/readingsmodel.h"
#include "ui/transferprogress.h"
#include "ui_datapage.h"

#include <QAbstractButton>
#include <QAbstractItemDelegate>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>
#include <QTableView>

#include <algorithm>

using px708::Table;
using namespace px708::pages;

namespace {

const QString kEmptyTableQuestion =
    QStringLiteral("Are you sure you want to delete all this data? ");

void paintText(QWidget* w, const QColor& colour) {
    QPalette palette = w->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    w->setPalette(palette);
}

} // namespace

TDataPage::TDataPage(PageContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx), ui(std::make_unique<Ui::TDataPage>()) {
    ui->setupUi(this);
    paintPanels();
    setUpGrid();
    bindRecordPanel();
    bindFieldNames();
    connectControls();
    setUpFileTransfers();
    ctx_.tbld->addPendingText(this);
    TFindBar::install(ui->Grid1, *ctx_.tbld, this);
}

TDataPage::~TDataPage() {
    ctx_.tbld->removePendingText(this);
}

void TDataPage::writePendingText() noexcept {
    QTableView* grid = ui->Grid1;
    const QModelIndex current = grid->currentIndex();
    QWidget* editor = current.isValid() ? grid->indexWidget(current) : nullptr;
    if (!editor || committingGridEditor_)
        return;
    committingGridEditor_ = true;
    // The view takes the editor's text into the model as Enter would; the model reports a
    // text the field cannot take.
    emit grid->itemDelegate()->commitData(editor);
    committingGridEditor_ = false;
}

QTableView* TDataPage::Grid1() const {
    return ui->Grid1;
}

TDBNavigator* TDataPage::DBNavigator1() const {
    return ui->DBNavigator1;
}

void TDataPage::showError(const std::exception& e) {
    if (ctx_.showException)
        ctx_.showException(e);
}

void TDataPage::guard(void (TDataPage::*handler)()) {
    try {
        (this->*handler)();
    } catch (const std::exception& e) {
        showError(e);
    }
}

void TDataPage::paintPanels() {
    setPanelColour(ui->Panel56, QColor(173, 239, 208));
    setPanelColour(ui->Panel57, QColor(221, 221, 255));
    setPanelColour(ui->Panel68, QColor(240, 198, 251));
    ui->namesScroll->viewport()->setAutoFillBackground(false);
    ui->namesEditors->setAutoFillBackground(false);
    setPanelColourOf(1);
    paintText(ui->Box1, Qt::red);
    paintText(ui->Labeldump, Qt::red);
    QFont digits = ui->Spin->font();
    digits.setPixelSize(16);
    digits.setBold(true);
    ui->Spin->setFont(digits);
    // The lot of an upload in red bold digits, as the reader shows lots.
    ui->datalot2->setFont(digits);
    QPalette lot = ui->datalot2->palette();
    lot.setColor(QPalette::Text, Qt::red);
    ui->datalot2->setPalette(lot);
}

void TDataPage::setPanelColourOf(int tableNumber) {
    const std::optional<px708::PanelColour> c = px708::readingsPanelColour(tableNumber);
    setPanelColour(ui->Panel12, c ? QColor(c->red, c->green, c->blue) : buttonFaceColour());
}

void TDataPage::setUpGrid() {
    model_ = new ReadingsModel(*ctx_.tbld, this);
    model_->setErrorHandler([this](const std::exception& e) { showError(e); });
    QTableView* grid = ui->Grid1;
    grid->setModel(model_);
    // One line per row and no row titles: the rows are fixed in height, so a view over a
    // million rows needs no measuring.
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setAccessibleName(QStringLiteral("Row titles"));
    grid->horizontalHeader()->setAccessibleName(QStringLiteral("Column titles"));
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    QHeaderView* titles = grid->horizontalHeader();
    titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    titles->setHighlightSections(false);
    titles->setSectionResizeMode(QHeaderView::Interactive);
    titles->setStretchLastSection(false);
    grid->setWordWrap(false);
    grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);
    sizeColumns();
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        sizeColumns();
        followTableCursor(ctx_.tbld->recNo());
    });
    connect(model_, &QAbstractItemModel::headerDataChanged, this, [this] { sizeColumns(); });
    connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (followingCursor_ || !current.isValid())
                    return;
                Table& tbld = *ctx_.tbld;
                if (current.row() == tbld.recNo())
                    return;
                try {
                    record_->updateRecord();
                    tbld.moveTo(current.row());
                } catch (const std::exception& e) {
                    showError(e);
                    followTableCursor(tbld.recNo());
                }
            });
    connect(ctx_.tbld, &Table::currentRowChanged, this,
            [this](int) { scheduleFollowTableCursor(); });
}

void TDataPage::sizeColumns() {
    QHeaderView* titles = ui->Grid1->horizontalHeader();
    const QFontMetrics cells = ui->Grid1->fontMetrics();
    const QFontMetrics header = titles->fontMetrics();
    const Table& tbld = *ctx_.tbld;
    for (int c = 0; c < tbld.fieldCount(); ++c) {
        const px708::Field& f = tbld.field(c);
        const int byChars = f.displayWidth() * cells.horizontalAdvance(QLatin1Char('0')) + 8;
        const int byTitle = header.horizontalAdvance(f.displayName()) + 12;
        titles->resizeSection(c, std::max(byChars, byTitle));
    }
}

void TDataPage::scheduleFollowTableCursor() {
    // A download moves the cursor once a row: the grid follows once per turn of the event
    // loop, where it paints, instead of scrolling for every row.
    if (followScheduled_)
        return;
    followScheduled_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            followScheduled_ = false;
            if (ctx_.tbld->isOpen())
                followTableCursor(ctx_.tbld->recNo());
        },
        Qt::QueuedConnection);
}

void TDataPage::followTableCursor(int pos) {
    QTableView* grid = ui->Grid1;
    if (pos < 0 || pos >= model_->rowCount())
        return;
    const int column = std::max(grid->currentIndex().column(), 0);
    const QModelIndex target = model_->index(pos, column);
    if (grid->currentIndex() == target)
        return;
    followingCursor_ = true;
    grid->selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
    followingCursor_ = false;
    grid->scrollTo(target);
}

void TDataPage::bindRecordPanel() {
    record_ = new FieldBinder(*ctx_.tbld, this);
    record_->setErrorHandler([this](const std::exception& e) { showError(e); });
    record_->bindLabel(ui->DBText1, QStringLiteral("tag"));
    record_->bindLineEdit(ui->RecEdit1, QStringLiteral("Lot"));
    record_->bindLineEdit(ui->RecEdit3, QStringLiteral("Alpha"));
    record_->bindLineEdit(ui->RecEdit4, QStringLiteral("Bravo"));
    record_->bindLineEdit(ui->RecEdit5, QStringLiteral("Charly"));
    record_->bindDateEdit(ui->RecDatePicker1, QStringLiteral("Date_"));
    record_->bindLineEdit(ui->RecEdit7, QStringLiteral("Time_"));
    record_->bindCheckBox(ui->Box1, QStringLiteral("Flagged"));
    record_->bindLineEdit(ui->RecEdit6, QStringLiteral("Type"));
    record_->bindLineEdit(ui->RecEdit2, QStringLiteral("C_Code"));
    record_->bindMemo(ui->DBMemo1, QStringLiteral("Comment"));

    TDBNavigator* nav = ui->DBNavigator1;
    nav->setTable(ctx_.tbld);
    nav->setBeforeAction([this] { record_->updateRecord(); });
    nav->setErrorHandler([this](const std::exception& e) { showError(e); });
}

void TDataPage::bindFieldNames() {
    names_ = new FieldBinder(*ctx_.tblc, this);
    names_->setErrorHandler([this](const std::exception& e) { showError(e); });
    for (const px708::UserFieldName& entry : px708::kUserFieldNames) {
        auto* edit = findChild<QLineEdit*>(QString::fromLatin1(entry.editorControl));
        names_->bindLineEdit(edit, QString::fromLatin1(entry.settingsField));
        edit->installEventFilter(this);
    }
}

void TDataPage::connectControls() {
    const auto on = [this](QAbstractButton* button, void (TDataPage::*handler)()) {
        connect(button, &QAbstractButton::clicked, this, [this, handler] { guard(handler); });
    };
    on(ui->Button45, &TDataPage::Button45Click);
    on(ui->Button56, &TDataPage::Button56Click);
    on(ui->Button59, &TDataPage::Button59Click);
    on(ui->Button63, &TDataPage::Button63Click);
    on(ui->Button64, &TDataPage::Button64Click);
    on(ui->Button55, &TDataPage::Button55Click);
    ui->rgselect->setItemIndex(0);
    forceUpperCase(ui->datalot2);
    ui->datalot2->installEventFilter(this);
    ui->Spin->installEventFilter(this);
    ui->Button45->installEventFilter(this);
    // Tabbing forward passes the number box on to "Select Database".
    setTabOrder(ui->Spin, ui->Button45);
}

bool TDataPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->Spin && event->type() == QEvent::FocusIn) {
        if (static_cast<QFocusEvent*>(event)->reason() == Qt::BacktabFocusReason) {
            // Shift+Tab from "Select Database" would land here and be sent back at once: go
            // on to the control before the number box instead.
            QWidget* w = ui->Spin->previousInFocusChain();
            while (w != ui->Spin && !((w->focusPolicy() & Qt::TabFocus) && w->isVisible() &&
                                      w->isEnabled() && !w->focusProxy()))
                w = w->previousInFocusChain();
            w->setFocus(Qt::BacktabFocusReason);
            return false;
        }
        guard(&TDataPage::SpinEnter);
    } else if (watched == ui->Button45 && event->type() == QEvent::KeyPress) {
        // The number box never keeps the focus; its arrows work from the keyboard on the
        // button it hands the focus to.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            ui->Spin->stepBy(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    } else if (watched == ui->datalot2 && event->type() == QEvent::FocusOut && isFocusMove(event)) {
        guard(&TDataPage::datalot2Exit);
    } else if (isFocusMove(event) && qobject_cast<QLineEdit*>(watched) &&
               static_cast<QWidget*>(watched)->parentWidget() == ui->namesEditors) {
        guard(event->type() == QEvent::FocusIn ? &TDataPage::DBEdit2Enter
                                               : &TDataPage::DBEdit2Exit);
    }
    return QWidget::eventFilter(watched, event);
}

void TDataPage::Button45Click() {
    const int n = ui->Spin->value();
    px708::selectReadingsTable(*ctx_.tbld, n);
    setPanelColourOf(n);
    do_fieldnames();
}

void TDataPage::SpinEnter() {
    // The number box is changed with its arrows only: a click on an arrow still steps it,
    // but no key ever reaches it.
    ui->Button45->setFocus(Qt::OtherFocusReason);
}

void TDataPage::Button56Click() {
    QMessageBox question(QMessageBox::Question, QApplication::applicationName(),
                         kEmptyTableQuestion, QMessageBox::Yes | QMessageBox::No, window());
    if (px708::runModal(question) != QMessageBox::Yes)
        return;
    if (px708::emptyReadingsTable(*ctx_.tbld) == px708::EmptyTableResult::NotExclusive)
        messageBox(ctx_, QString::fromLatin1(px708::kNotExclusiveText));
}

void TDataPage::Button59Click() {
    record_->updateRecord();
    px708::cancelAllFlags(*ctx_.tbld);
}

void TDataPage::Button63Click() {
    names_->reload();
    ui->Panel68->show();
}

void TDataPage::Button64Click() {
    ui->Panel68->hide();
    do_fieldnames();
}

void TDataPage::DBEdit2Enter() {
    ctx_.tblc->edit();
}

void TDataPage::DBEdit2Exit() {
    names_->updateRecord();
    ctx_.tblc->post();
}

void TDataPage::Button55Click() {
    if (!ctx_.tableUpload)
        return;
    const int item = ui->rgselect->itemIndex();
    if (item < 0) {
        messageBox(ctx_, QStringLiteral("You must make a selection!"));
        return;
    }
    // What the operator typed for the current row is stored first, so the reader gets the row
    // as the table keeps it.
    Table& tbld = *ctx_.tbld;
    if (tbld.isOpen()) {
        record_->updateRecord();
        if (tbld.modified())
            tbld.post();
    }
    ctx_.tableUpload->start(static_cast<px708::UploadChoice>(item), ui->datalot2->text());
}

void TDataPage::datalot2Exit() {
    normaliseLotNumber(ui->datalot2);
}

void TDataPage::do_fieldnames() {
    const auto names = px708::applyUserFieldNames(*ctx_.tblc, *ctx_.tbld);
    for (int i = 0; i < px708::kAppliedUserFieldNames; ++i) {
        const auto& entry = px708::kUserFieldNames[static_cast<std::size_t>(i)];
        QWidget* caption = findChild<QWidget*>(QString::fromLatin1(entry.captionControl));
        const QString& name = names[static_cast<std::size_t>(i)];
        if (auto* label = qobject_cast<QLabel*>(caption)) {
            label->setText(name);
            // The field's editor is heard by the name shown, or by the field's own caption
            // while the operator has given it none.
            if (QWidget* editor = label->buddy())
                editor->setAccessibleName(name.isEmpty() ? QString::fromLatin1(entry.defaultCaption)
                                                         : name);
        } else if (auto* button = qobject_cast<QAbstractButton*>(caption))
            button->setText(name);
    }
    model_->titlesChanged();
}

void TDataPage::updateRecord() {
    record_->updateRecord();
}

void TDataPage::applyDatePattern() {
    record_->reload();
    ui->Grid1->viewport()->update();
}

void TDataPage::setUpFileTransfers() {
    ui->rgcsv->setItemIndex(0);
    ui->rgcsv->setToolTip(QStringLiteral("Character delimited\nHypertext\nSymbolic Link File"));
    connect(ui->Button67, &QAbstractButton::clicked, this,
            [this] { guard(&TDataPage::Button67Click); });
    connect(ui->Button46, &QAbstractButton::clicked, this,
            [this] { guard(&TDataPage::Button46Click); });
}

QString TDataPage::askFileName(bool save, const QString& filter) {
    QFileDialog dialog(window());
    dialog.setObjectName(save ? QStringLiteral("Save1") : QStringLiteral("Open1"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The export appends its own extension and replaces the file of that name without asking.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, save);
    if (!filter.isEmpty())
        dialog.setNameFilter(filter);
    if (!fileFolder_.isEmpty())
        dialog.setDirectory(fileFolder_);
    if (px708::runModal(dialog) != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return {};
    fileFolder_ = QFileInfo(files.first()).absolutePath();
    return files.first();
}

void TDataPage::Button67Click() {
    const std::optional<QChar> separator = px708::csvSeparatorOfItem(ui->rgsep->itemIndex());
    if (!separator) {
        messageBox(ctx_, QString::fromLatin1(px708::kNoCsvSeparatorText));
        return;
    }
    // The separator is chosen afresh for every import and the next CSV export, however this
    // one ends.
    struct ClearSeparator {
        TRadioGroup* group;
        ~ClearSeparator() { group->setItemIndex(-1); }
    } clearSeparator{ui->rgsep};
    const QString file = askFileName(false, QStringLiteral("CSV files (*.csv *.CSV)"));
    if (file.isEmpty())
        return;
    TransferProgress progress(window(), QStringLiteral("Import CSV File"));
    px708::importCsvFile(*ctx_.tbld, file, *separator, [&](const px708::CsvImportProgress& p) {
        progress.update(QStringLiteral("%L1 rows imported").arg(p.rowsStored), p.bytesRead,
                        p.bytesTotal);
    });
}

void TDataPage::Button46Click() {
    const std::optional<px708::ExportFormat> format =
        px708::exportFormatOfItem(ui->rgcsv->itemIndex());
    const std::optional<QChar> separator = px708::csvSeparatorOfItem(ui->rgsep->itemIndex());
    if (!format || (*format == px708::ExportFormat::Csv && !separator)) {
        messageBox(ctx_, QString::fromLatin1(format ? px708::kNoCsvSeparatorText
                                                    : "You must make a selection!"));
        return;
    }
    Table& tbld = *ctx_.tbld;
    if (!tbld.isOpen())
        throw px708::TransferError(
            QStringLiteral("No readings table is open, so there is nothing to export.\n"
                           "Open one with \"Select Database\" first."));
    const QString chosen = askFileName(true, {});
    if (chosen.isEmpty())
        return;

    px708::ExportOptions options;
    options.format = *format;
    options.separator = separator.value_or(QChar());
    options.fileName = px708::exportFileName(chosen, *format);
    const QPalette colours = ui->Grid1->palette();
    options.appearance.fontColour = colours.color(QPalette::Text).rgb() & 0xFFFFFF;
    options.appearance.gridColour = colours.color(QPalette::Base).rgb() & 0xFFFFFF;
    options.appearance.titleColour = colours.color(QPalette::Button).rgb() & 0xFFFFFF;
    std::vector<int> widths;
    for (int c = 0; c < tbld.fieldCount(); ++c)
        widths.push_back(ui->Grid1->horizontalHeader()->sectionSize(c));

    TransferProgress progress(window(), QStringLiteral("Export Table"));
    px708::exportReadingsTable(tbld, widths, options, [&](int done, int total) {
        progress.update(QStringLiteral("%L1 of %L2 rows exported").arg(done).arg(total), done,
                        total);
    });
}
