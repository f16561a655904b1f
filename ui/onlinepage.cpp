#include "ui/onlinepage.h"

#include "link/readerlink.h"
#include "transfer/capturedimport.h"
#include "ui/memolines.h"
#include "ui/pagesupport.h"
#include "ui_onlinepage.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include <exception>

using namespace px708::pages;

TOnlinePage::TOnlinePage(PageContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx), ui(std::make_unique<Ui::TOnlinePage>()) {
    ui->setupUi(this);
    // The views only collect what the reader sends; an undo history of thousands of added
    // lines would cost memory and time and undo nothing the operator did.
    for (QPlainTextEdit* memo : {ui->Memo3, ui->Memo4})
        memo->setUndoRedoEnabled(false);
    paintPanels();
    connectControls();
}

TOnlinePage::~TOnlinePage() = default;

void TOnlinePage::connectControls() {
    const auto on = [this](QPushButton* button, void (TOnlinePage::*handler)()) {
        connect(button, &QPushButton::clicked, this, [this, handler] { guard(handler); });
    };
    on(ui->Button5, &TOnlinePage::Button5Click);
    on(ui->Button52, &TOnlinePage::Button52Click);
    on(ui->Button38, &TOnlinePage::Button38Click);
    on(ui->Button21, &TOnlinePage::Button21Click);
    on(ui->Button54, &TOnlinePage::Button54Click);
}

void TOnlinePage::paintPanels() {
    // Cream: functions of the reader's on-line mode.
    for (QWidget* w : {ui->pictureColumn, ui->onlineReadingsPanel, ui->downloadStorePanel})
        setPanelColour(w, tooltipBackgroundColour());
}

void TOnlinePage::guard(void (TOnlinePage::*handler)()) {
    try {
        (this->*handler)();
    } catch (const std::exception& e) {
        if (ctx_.showException)
            ctx_.showException(e);
    }
}

void TOnlinePage::Button5Click() {
    ui->Memo3->clear();
}

void TOnlinePage::Button38Click() {
    ui->Memo4->clear();
}

void TOnlinePage::Button21Click() {
    ctx_.link.fetchReadings();
}

void TOnlinePage::Button52Click() {
    importFrom(ui->Memo3);
}

void TOnlinePage::Button54Click() {
    importFrom(ui->Memo4);
}

void TOnlinePage::importFrom(QPlainTextEdit* view) {
    const QStringList lines = memoLines(view);
    if (lines.isEmpty())
        return;
    setWaitCursor(ctx_);
    try {
        px708::importCapturedReadings(*ctx_.tbld, lines);
    } catch (...) {
        restoreCursor(ctx_);
        throw;
    }
    restoreCursor(ctx_);
}
