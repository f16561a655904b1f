#include "ui/keylotpage.h"

#include "transfer/keylotupload.h"
#include "ui/modal.h"
#include "ui/pagesupport.h"
#include "ui_keylotpage.h"

#include <QFileDialog>
#include <QFocusEvent>

#include <exception>

using namespace px708::pages;

namespace {

void paintRed(QWidget* w, bool bold, int pixelSize = 0) {
    QPalette palette = w->palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    palette.setColor(QPalette::Text, Qt::red);
    w->setPalette(palette);
    QFont font = w->font();
    font.setBold(bold);
    if (pixelSize > 0)
        font.setPixelSize(pixelSize);
    w->setFont(font);
}

} // namespace

TKeylotPage::TKeylotPage(PageContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx), ui(std::make_unique<Ui::TKeylotPage>()) {
    ui->setupUi(this);
    paintRed(ui->datalot3, true, 16);
    paintRed(ui->Label51, false);
    paintRed(ui->Label52, true);
    forceUpperCase(ui->datalot3);
    ui->datalot3->installEventFilter(this);

    const auto on = [this](QAbstractButton* button, void (TKeylotPage::*handler)()) {
        connect(button, &QAbstractButton::clicked, this, [this, handler] { guard(handler); });
    };
    on(ui->Button68, &TKeylotPage::Button68Click);
    on(ui->Button69, &TKeylotPage::Button69Click);
    on(ui->Button70, &TKeylotPage::Button70Click);
    on(ui->Button71, &TKeylotPage::Button71Click);

    px708::KeylotUpload& upload = *ctx_.keylotUpload;
    // The edit's text as it stands, not the signal's: the upper-case rule may have changed it
    // again before this connection runs.
    connect(ui->datalot3, &QLineEdit::textChanged, this,
            [this, &upload] { upload.setKeylot(ui->datalot3->text()); });
    connect(&upload, &px708::KeylotUpload::changed, this, [this] { showUpload(); });
    upload.setKeylot(ui->datalot3->text());
    showUpload();
}

TKeylotPage::~TKeylotPage() = default;

void TKeylotPage::guard(void (TKeylotPage::*handler)()) {
    try {
        (this->*handler)();
    } catch (const std::exception& e) {
        if (ctx_.showException)
            ctx_.showException(e);
    }
}

void TKeylotPage::showUpload() {
    const px708::KeylotUpload& upload = *ctx_.keylotUpload;
    // The list is put in again only when it changed, so the operator's place in it stays.
    if (upload.list() != shownList_) {
        shownList_ = upload.list();
        ui->Memocsv->setPlainText(shownList_.join(QLatin1Char('\n')));
    }
    ui->Label51->setText(upload.countText());
    ui->Label52->setText(upload.status());
    ui->Button70->setVisible(upload.uploadOffered());
    if (ui->datalot3->text() != upload.keylot())
        ui->datalot3->setText(upload.keylot());
}

void TKeylotPage::Button68Click() {
    QFileDialog Open1(window(), QStringLiteral("Open"), QString(),
                      QStringLiteral("CSV files (*.csv *.CSV)"));
    Open1.setObjectName(QStringLiteral("Open1"));
    Open1.setAcceptMode(QFileDialog::AcceptOpen);
    Open1.setFileMode(QFileDialog::ExistingFile);
    Open1.setOption(QFileDialog::DontUseNativeDialog);
    px708::KeylotUpload& upload = *ctx_.keylotUpload;
    if (px708::runModal(Open1) == QDialog::Accepted && !Open1.selectedFiles().isEmpty()) {
        setWaitCursor(ctx_);
        try {
            upload.importFile(Open1.selectedFiles().constFirst());
        } catch (...) {
            // A file that cannot be read ends the import with its error; the labels and the
            // upload button stay as they were.
            restoreCursor(ctx_);
            throw;
        }
    }
    restoreCursor(ctx_);
    upload.importFinished();
}

void TKeylotPage::Button69Click() {
    ctx_.keylotUpload->clear();
    ui->Button71->hide();
}

void TKeylotPage::Button70Click() {
    datalot3Exit();
    ctx_.keylotUpload->start();
}

void TKeylotPage::Button71Click() {
    ctx_.keylotUpload->xyz();
}

void TKeylotPage::datalot3Exit() {
    normaliseLotNumber(ui->datalot3);
}

bool TKeylotPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->datalot3 && event->type() == QEvent::FocusOut && isFocusMove(event))
        guard(&TKeylotPage::datalot3Exit);
    return QWidget::eventFilter(watched, event);
}
