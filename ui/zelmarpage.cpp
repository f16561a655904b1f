#include "ui/zelmarpage.h"

#include "link/readerlink.h"
#include "link/recordline.h"
#include "store/datesettings.h"
#include "ui/memolines.h"
#include "ui/pagesupport.h"
#include "ui_zelmarpage.h"

#include <QFont>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>

#include <exception>

using namespace px708::pages;

namespace {

constexpr int kStateClearLots = 17;
constexpr int kStateFreeMemory = 18;
constexpr int kStateReadTransponder = 19;
constexpr int kStateKeylot = 21;
constexpr int kStateLot = 22;
constexpr int kStateDump = 24;
constexpr int kStateVersion = 25;
constexpr int kStateTopCaption = 27;
constexpr int kStateBottomCaption = 28;

} // namespace

TZelmarPage::TZelmarPage(PageContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx), ui(std::make_unique<Ui::TZelmarPage>()) {
    ui->setupUi(this);
    ui->Edit1->hide();
    forceUpperCase(ui->lot);
    forceUpperCase(ui->keylot);
    for (QLineEdit* e : {ui->lot, ui->keylot, ui->dump})
        e->installEventFilter(this);
    // The dump view collects what the reader sends; an undo history of its thousands of lines
    // would undo nothing the operator did.
    ui->Memo5->setUndoRedoEnabled(false);
    paintPanels();
    connectControls();
    ctx_.link.flows().set(px708::Flow::dumpRecord,
                          [this](const std::string& line) { dumpRecord(line); });
}

TZelmarPage::~TZelmarPage() {
    ctx_.link.flows().set(px708::Flow::dumpRecord, {});
}

void TZelmarPage::dumpRecord(const std::string& line) {
    if (memoLineCount(ui->Memo5) == 0)
        appendMemoLine(ui->Memo5, fromBytes(px708::kDumpHeader));
    const std::string shown =
        px708::dumpLine(px708::decodeRecordLine(line), px708::DateSettings::dateOrder(),
                        toBytes(px708::DateSettings::dateSeparator()));
    appendMemoLine(ui->Memo5, fromBytes(shown));
}

void TZelmarPage::connectControls() {
    const auto on = [this](QPushButton* button, void (TZelmarPage::*handler)()) {
        connect(button, &QPushButton::clicked, this, [this, handler] { guard(handler); });
    };
    on(ui->Button34, &TZelmarPage::Button34Click);
    on(ui->Button33, &TZelmarPage::Button33Click);
    on(ui->Button36, &TZelmarPage::Button36Click);
    on(ui->Button35, &TZelmarPage::Button35Click);
    on(ui->Button26, &TZelmarPage::Button26Click);
    on(ui->Button27, &TZelmarPage::Button27Click);
    on(ui->Button42, &TZelmarPage::Button42Click);
    on(ui->Button28, &TZelmarPage::Button28Click);
    on(ui->Button60, &TZelmarPage::Button60Click);
    on(ui->Button61, &TZelmarPage::Button61Click);
    on(ui->Button51, &TZelmarPage::Button51Click);
    on(ui->Button50, &TZelmarPage::Button50Click);
    on(ui->Button39, &TZelmarPage::Button39Click);
    on(ui->Button40, &TZelmarPage::Button40Click);
    on(ui->Button41, &TZelmarPage::Button41Click);
    on(ui->Button62, &TZelmarPage::Button62Click);
}

void TZelmarPage::paintPanels() {
    for (QWidget* w : {ui->lotPanel, ui->keylotPanel, ui->clearLotsPanel, ui->freeMemoryPanel,
                       ui->versionPanel, ui->readPanel, ui->bottomPanel, ui->topPanel})
        setPanelColour(w, buttonFaceColour());
    setPanelColour(ui->Panel59, QColor(221, 221, 255));
    setPanelColour(ui->Panel60, QColor(206, 206, 255));
    setPanelColour(ui->Panel61, QColor(187, 187, 255));
    QPalette memo = ui->Memo5->palette();
    memo.setColor(QPalette::Base, QColor(234, 234, 255));
    ui->Memo5->setPalette(memo);

    QFont font = ui->Label31->font();
    font.setPixelSize(13);
    ui->Label31->setFont(font);
    QPalette red = ui->Label31->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    ui->Label31->setPalette(red);
}

void TZelmarPage::guard(void (TZelmarPage::*handler)()) {
    try {
        (this->*handler)();
    } catch (const std::exception& e) {
        if (ctx_.showException)
            ctx_.showException(e);
    }
}

void TZelmarPage::send(std::int32_t state, const std::string& wire,
                       const std::function<void()>& beforeSend) {
    px708::ReaderLink& link = ctx_.link;
    if (!link.activeport())
        return;
    link.setState(state);
    if (beforeSend)
        beforeSend();
    link.clearReplyBuffer();
    link.sendit(wire);
}

void TZelmarPage::Button34Click() {
    send(kStateLot, "L", [this] { ui->Labellot->setText(QStringLiteral("Checking Lot No..")); });
}

void TZelmarPage::Button33Click() {
    if (ui->lot->text().isEmpty()) {
        messageBox(ctx_, QStringLiteral("You must enter a Lot number!"));
        return;
    }
    send(kStateLot, "L" + toBytes(ui->lot->text()));
}

void TZelmarPage::Button36Click() {
    send(kStateKeylot, "K",
         [this] { ui->Labelkeylot->setText(QStringLiteral("Checking KeyLot No..")); });
}

void TZelmarPage::Button35Click() {
    if (ui->keylot->text().isEmpty()) {
        messageBox(ctx_, QStringLiteral("You must enter a Keylot number!"));
        return;
    }
    send(kStateKeylot, "K" + toBytes(ui->keylot->text()));
}

void TZelmarPage::Button26Click() {
    try {
        send(kStateClearLots, "C", [this] {
            ui->Labellots->setText(QStringLiteral("Clearing Lots ..."));
            setWaitCursor(ctx_);
        });
    } catch (...) {
        // No reply will come to restore the cursor when the command did not go out.
        restoreCursor(ctx_);
        throw;
    }
}

void TZelmarPage::Button27Click() {
    send(kStateFreeMemory, "F",
         [this] { ui->Labelfreemem->setText(QStringLiteral("Checking memory")); });
}

void TZelmarPage::Button42Click() {
    send(kStateVersion, "V",
         [this] { ui->Labelversion->setText(QStringLiteral("Checking version")); });
}

void TZelmarPage::Button28Click() {
    send(kStateReadTransponder, "I", [this] { ui->read->setText(QStringLiteral("scanning..")); });
}

void TZelmarPage::Button60Click() {
    ui->read->selectAll();
    ui->read->copy();
}

void TZelmarPage::Button61Click() {
    ui->Edit1->clear();
    ui->Edit1->paste();
    // The hidden edit holds one line: the line breaks of a clipboard of several lines become
    // blanks, so that every pasted character reaches the dump view, on one line.
    static const QRegularExpression lineBreaks(QStringLiteral("\\r\\n|[\\r\\n\\x{2028}\\x{2029}]"));
    QString text = ui->Edit1->text();
    text.replace(lineBreaks, QStringLiteral(" "));
    appendMemoLine(ui->Memo5, text);
}

void TZelmarPage::Button51Click() {
    send(kStateTopCaption, "X" + toBytes(ui->top->text()));
}

void TZelmarPage::Button50Click() {
    send(kStateBottomCaption, "Y" + toBytes(ui->bottom->text()));
}

void TZelmarPage::Button39Click() {
    send(kStateDump, "N");
}

void TZelmarPage::Button40Click() {
    send(kStateDump, "N" + toBytes(ui->dump->text()));
}

void TZelmarPage::Button41Click() {
    ui->Memo5->clear();
}

void TZelmarPage::Button62Click() {
    ui->Memo5->selectAll();
    ui->Memo5->copy();
}

void TZelmarPage::lotExit() {
    normaliseLotNumber(ui->lot);
}

void TZelmarPage::keylotExit() {
    normaliseLotNumber(ui->keylot);
}

void TZelmarPage::dumpExit() {
    normaliseLotNumber(ui->dump);
}

bool TZelmarPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && isFocusMove(event)) {
        if (watched == ui->lot)
            lotExit();
        else if (watched == ui->keylot)
            keylotExit();
        else if (watched == ui->dump)
            dumpExit();
    }
    return QWidget::eventFilter(watched, event);
}
