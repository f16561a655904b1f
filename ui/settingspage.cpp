#include "ui/settingspage.h"

#include "link/catalogue.h"
#include "link/clocktext.h"
#include "link/readerlink.h"
#include "store/datesettings.h"
#include "ui/dateformat.h"
#include "ui/pagesupport.h"
#include "ui/radiogroup.h"
#include "ui_settingspage.h"

#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

#include <exception>

using namespace px708::pages;

namespace {

// Command states of this page's commands.
constexpr int kStateSaveSeek = 5;
constexpr int kStateBaud = 7;
constexpr int kStateDisplay = 20;
constexpr int kStateTrigger = 23;
constexpr int kStateClock = 26;
constexpr int kStateLeds = 29;
constexpr int kStateOnlineSettings = 32;

const QString kSelectionNeeded = QStringLiteral("You must make a selection!");
const QString kDateTimeNeeded = QStringLiteral("You must provide a valid Date and Time!");

// ON is item 0 and goes to the reader as "1".
char onOffDigit(int index) {
    return index == 0 ? '1' : '0';
}

std::string twoDigits(int v) {
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')).toStdString();
}

} // namespace

TSettingsPage::TSettingsPage(PageContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx), ui(std::make_unique<Ui::TSettingsPage>()),
      now_([] { return QDateTime::currentDateTime(); }) {
    ui->setupUi(this);
    ui->pickert->setContextMenuPolicy(Qt::NoContextMenu);
    ui->pickert->installEventFilter(this);
    ui->PortSpinEdit1->installEventFilter(this);
    paintPanels();
    applyDatePattern();
    // The date picker opens on the PC's date.
    ui->Pickerd->setDate(QDate::currentDate());
    connectControls();
    ctx_.link.flows().set(px708::Flow::do_datetime,
                          [this](const std::string& line) { do_datetime(line); });
}

TSettingsPage::~TSettingsPage() = default;

void TSettingsPage::connectControls() {
    const auto on = [this](QPushButton* button, void (TSettingsPage::*handler)()) {
        connect(button, &QPushButton::clicked, this, [this, handler] { guard(handler); });
    };
    on(ui->Button10, &TSettingsPage::Button10Click);
    on(ui->Button3, &TSettingsPage::Button3Click);
    on(ui->Button20, &TSettingsPage::Button20Click);
    on(ui->Button47, &TSettingsPage::Button47Click);
    on(ui->Button1, &TSettingsPage::Button1Click);
    on(ui->Button2, &TSettingsPage::Button2Click);
    on(ui->Button30, &TSettingsPage::Button30Click);
    on(ui->Button31, &TSettingsPage::Button31Click);
    on(ui->Button37, &TSettingsPage::Button37Click);
    on(ui->Button57, &TSettingsPage::Button57Click);
    on(ui->Button49, &TSettingsPage::Button49Click);
    on(ui->Button48, &TSettingsPage::Button48Click);
    on(ui->Button66, &TSettingsPage::Button66Click);
    connect(ui->pickert, &QLineEdit::textChanged, this, [this] { pickertChange(); });
}

void TSettingsPage::paintPanels() {
    const QColor green(192, 220, 192);
    setPanelColour(ui->PortGroup1, green);
    setPanelColour(ui->Panel4, green);
    setPanelColour(ui->Panel20, QColor(240, 202, 166));
    setPanelColour(ui->Panel55, inactiveCaptionTextColour());
    setPanelColour(ui->onlineSettingsPanel, tooltipBackgroundColour());
    for (QWidget* w :
         {static_cast<QWidget*>(ui->saveSeekPanel), static_cast<QWidget*>(ui->displayPanel),
          static_cast<QWidget*>(ui->triggerPanel), static_cast<QWidget*>(ui->ledPanel),
          static_cast<QWidget*>(ui->pcClockPanel), static_cast<QWidget*>(ui->userClockPanel)})
        setPanelColour(w, buttonFaceColour());
}

void TSettingsPage::guard(void (TSettingsPage::*handler)()) {
    try {
        (this->*handler)();
    } catch (const std::exception& e) {
        if (ctx_.showException)
            ctx_.showException(e);
    }
}

void TSettingsPage::selectionNeeded() {
    messageBox(ctx_, kSelectionNeeded);
}

void TSettingsPage::Button10Click() {
    ctx_.link.command(kStateBaud, "AB");
}

void TSettingsPage::Button3Click() {
    const int index = ui->rgbaud->itemIndex();
    if (index < 0 || index >= static_cast<int>(std::size(px708::kBaudCodes))) {
        selectionNeeded();
        return;
    }
    ctx_.link.command(kStateBaud, "AB" + std::string(px708::kBaudCodes[index]));
}

void TSettingsPage::Button20Click() {
    ctx_.link.command(kStateOnlineSettings, "AA");
}

void TSettingsPage::Button47Click() {
    ui->Memo2->clear();
}

void TSettingsPage::Button1Click() {
    ctx_.link.command(kStateSaveSeek, "M");
}

void TSettingsPage::Button2Click() {
    const int save = ui->Rgmodesave->itemIndex();
    const int seek = ui->rgmodeseek->itemIndex();
    if (save < 0 || seek < 0) {
        selectionNeeded();
        return;
    }
    ctx_.link.command(kStateSaveSeek, std::string{'M', onOffDigit(seek), onOffDigit(save)});
}

void TSettingsPage::Button30Click() {
    ctx_.link.command(kStateDisplay, "J");
}

void TSettingsPage::Button31Click() {
    // Here item 0 (hexadecimal) goes out as "0": the polarity of the ON/OFF groups is not
    // the reader's rule for this setting.
    const int index = ui->rghexdec->itemIndex();
    if (index < 0) {
        selectionNeeded();
        return;
    }
    ctx_.link.command(kStateDisplay, index == 0 ? "J0" : "J1");
}

void TSettingsPage::Button37Click() {
    ctx_.link.command(kStateTrigger, "P");
}

void TSettingsPage::Button57Click() {
    const int leds = ui->Rgled->itemIndex();
    const int tone = ui->rgled2->itemIndex();
    if (leds < 0 || tone < 0) {
        selectionNeeded();
        return;
    }
    ctx_.link.command(kStateLeds, "Z" + twoDigits(leds + 10 * tone));
}

void TSettingsPage::Button49Click() {
    ctx_.link.command(kStateClock, "T");
}

void TSettingsPage::Button48Click() {
    const QDateTime now = now_();
    const QDate d = now.date();
    const QTime t = now.time();
    const std::string clock =
        px708::readerClockText({d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()});
    const QString time = px708::DateSettings::formatTime(t);
    traceLine(ctx_, "T" + clock + "---" + toBytes(px708::DateSettings::formatDate(d)) + " " +
                        toBytes(time) + toBytes(time));
    ctx_.link.command(kStateClock, "T" + clock);
}

void TSettingsPage::Button66Click() {
    const QString dateText = ui->Pickerd->text();
    const QString timeText = ui->pickert->text();
    if (dateText.isEmpty() || timeText.isEmpty() || timeText.size() != 8) {
        messageBox(ctx_, kDateTimeNeeded);
        return;
    }
    const QDate d = ui->Pickerd->date();
    const std::string clock = px708::userClockText(d.year(), d.month(), d.day(), toBytes(timeText));
    traceLine(ctx_, "T" + clock + "------" + toBytes(dateText) + toBytes(timeText));
    ctx_.link.command(kStateClock, "T" + clock);
}

void TSettingsPage::do_datetime(const std::string& line) {
    const int order = px708::DateSettings::dateOrder();
    const std::string separator = toBytes(px708::DateSettings::dateSeparator());
    const px708::ClockDisplay shown = px708::clockDisplay(line, order, separator);
    ui->Labeldt1->setText(fromBytes(shown.date));
    ui->Labeldt2->setText(fromBytes(shown.time));
}

bool TSettingsPage::pickertKeyPress(const QKeyEvent& key) {
    // Focus keys and keys that type nothing (the arrows, Delete) are not typing.
    switch (key.key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
        return false;
    default:
        break;
    }
    const QString text = key.text();
    if (text.isEmpty())
        return false;
    const QChar c = text.at(0);
    return text.size() != 1 || c.unicode() > 0x7f || !px708::timeEntryAccepts(c.toLatin1());
}

void TSettingsPage::pickertChange() {
    const std::optional<px708::TimeEntryFix> fix =
        px708::timeEntryCheck(toBytes(ui->pickert->text()));
    if (!fix)
        return;
    // The new text is checked again by its own change; the checks leave every text they
    // produce as it is.
    ui->pickert->setText(fromBytes(fix->text));
    ui->pickert->setCursorPosition(fix->caret);
}

void TSettingsPage::applyDatePattern() {
    ui->Pickerd->setDisplayFormat(dateEditFormat());
}

void TSettingsPage::setClock(std::function<QDateTime()> now) {
    now_ = std::move(now);
}

QSpinBox* TSettingsPage::PortSpinEdit1() const {
    return ui->PortSpinEdit1;
}
TRadioGroup* TSettingsPage::rgbaudp() const {
    return ui->rgbaudp;
}
QLineEdit* TSettingsPage::DBEdit1() const {
    return ui->DBEdit1;
}
TRadioGroup* TSettingsPage::rgdt() const {
    return ui->rgdt;
}
QPushButton* TSettingsPage::Button72() const {
    return ui->Button72;
}
QPlainTextEdit* TSettingsPage::Memo2() const {
    return ui->Memo2;
}

bool TSettingsPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->pickert && event->type() == QEvent::KeyPress)
        return pickertKeyPress(static_cast<const QKeyEvent&>(*event));
    if (watched == ui->PortSpinEdit1 && isFocusMove(event)) {
        if (event->type() == QEvent::FocusIn)
            emit PortSpinEdit1Enter();
        else
            emit PortSpinEdit1Exit();
    }
    return QWidget::eventFilter(watched, event);
}
