#include "ui/onlinesettingspage.h"

#include "link/catalogue.h"
#include "link/readerlink.h"
#include "link/readertext.h"
#include "ui/pagesupport.h"
#include "ui/radiogroup.h"
#include "ui_onlinesettingspage.h"

#include <QFont>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <exception>

using namespace px708::pages;

namespace {

const px708::OnOffParameter& onOffParameter(std::string_view prefix) {
    const auto table = px708::onOffParameters();
    return *std::find_if(table.begin(), table.end(),
                         [&](const px708::OnOffParameter& p) { return p.prefix == prefix; });
}

} // namespace

TOnlineSettingsPage::TOnlineSettingsPage(PageContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx), ui(std::make_unique<Ui::TOnlineSettingsPage>()) {
    ui->setupUi(this);
    paintPanels();
    connectControls();
}

TOnlineSettingsPage::~TOnlineSettingsPage() = default;

void TOnlineSettingsPage::connectControls() {
    const auto on = [this](QPushButton* button, void (TOnlineSettingsPage::*handler)()) {
        connect(button, &QPushButton::clicked, this, [this, handler] { guard(handler); });
    };
    on(ui->Button18, &TOnlineSettingsPage::Button18Click);
    on(ui->Button19, &TOnlineSettingsPage::Button19Click);
    on(ui->Button65, &TOnlineSettingsPage::Button65Click);
    on(ui->Button22, &TOnlineSettingsPage::Button22Click);
    on(ui->Button23, &TOnlineSettingsPage::Button23Click);
    on(ui->Button44, &TOnlineSettingsPage::Button44Click);
    on(ui->Button24, &TOnlineSettingsPage::Button24Click);
    on(ui->Button25, &TOnlineSettingsPage::Button25Click);
    on(ui->Button43, &TOnlineSettingsPage::Button43Click);
    connect(ui->messag, &QLineEdit::returnPressed, this, [this] { messagKeyDown(); });
    connect(ui->prefix, &QLineEdit::returnPressed, this, [this] { prefixKeyDown(); });
    connect(ui->suffix, &QLineEdit::returnPressed, this, [this] { suffixKeyDown(); });

    // The on/off groups, by the buttons the parameter table names.
    for (const px708::OnOffParameter& p : px708::onOffParameters()) {
        const auto name = [](std::string_view n) {
            return QString::fromLatin1(n.data(), static_cast<qsizetype>(n.size()));
        };
        auto* read = findChild<QPushButton*>(name(p.readButton));
        auto* set = findChild<QPushButton*>(name(p.setButton));
        auto* group = findChild<TRadioGroup*>(name(p.group));
        const std::string_view prefix = p.prefix;
        connect(read, &QPushButton::clicked, this,
                [this, prefix] { run([&] { readOnOff(prefix); }); });
        connect(set, &QPushButton::clicked, this,
                [this, prefix, group] { run([&] { setOnOff(prefix, group); }); });
    }
}

void TOnlineSettingsPage::paintPanels() {
    // Cream: functions of the reader's on-line mode, set in Zelmar mode.
    for (QWidget* w : {ui->conventionPanel, ui->messagePanel, ui->messageOnOffPanel,
                       ui->prefixPanel, ui->suffixPanel, ui->onOffColumn, ui->ackPanel, ui->biPanel,
                       ui->scanPanel, ui->enqPanel, ui->checkdigitPanel})
        setPanelColour(w, tooltipBackgroundColour());
    QFont font = ui->Label30->font();
    font.setPixelSize(13);
    ui->Label30->setFont(font);
    QPalette red = ui->Label30->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    ui->Label30->setPalette(red);
}

void TOnlineSettingsPage::guard(void (TOnlineSettingsPage::*handler)()) {
    run([&] { (this->*handler)(); });
}

void TOnlineSettingsPage::run(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        if (ctx_.showException)
            ctx_.showException(e);
    }
}

void TOnlineSettingsPage::readText(const px708::ReaderText& text, QLineEdit* edit) {
    edit->clear();
    ctx_.link.command(text.state, text.command);
}

void TOnlineSettingsPage::setText(const px708::ReaderText& text, QLineEdit* edit) {
    ctx_.link.command(text.state, px708::setTextCommand(text, toBytes(edit->text())));
}

void TOnlineSettingsPage::Button18Click() {
    readText(px708::kMessageText, ui->messag);
}

void TOnlineSettingsPage::Button19Click() {
    setText(px708::kMessageText, ui->messag);
}

void TOnlineSettingsPage::Button65Click() {
    ctx_.link.command(px708::kMessageText.state, px708::clearTextCommand(px708::kMessageText));
}

void TOnlineSettingsPage::Button22Click() {
    readText(px708::kPrefixText, ui->prefix);
}

void TOnlineSettingsPage::Button23Click() {
    setText(px708::kPrefixText, ui->prefix);
}

void TOnlineSettingsPage::Button44Click() {
    ctx_.link.command(px708::kPrefixText.state, px708::clearTextCommand(px708::kPrefixText));
}

void TOnlineSettingsPage::Button24Click() {
    readText(px708::kSuffixText, ui->suffix);
}

void TOnlineSettingsPage::Button25Click() {
    setText(px708::kSuffixText, ui->suffix);
}

void TOnlineSettingsPage::Button43Click() {
    ctx_.link.command(px708::kSuffixText.state, px708::clearTextCommand(px708::kSuffixText));
}

void TOnlineSettingsPage::messagKeyDown() {
    ui->Button19->click();
}

void TOnlineSettingsPage::prefixKeyDown() {
    ui->Button23->click();
}

void TOnlineSettingsPage::suffixKeyDown() {
    ui->Button25->click();
}

void TOnlineSettingsPage::readOnOff(std::string_view prefix) {
    const px708::OnOffParameter& p = onOffParameter(prefix);
    ctx_.link.command(p.state, p.prefix);
}

void TOnlineSettingsPage::setOnOff(std::string_view prefix, TRadioGroup* group) {
    const int index = group->itemIndex();
    if (index != 0 && index != 1) {
        messageBox(ctx_, QStringLiteral("You must make a selection!"));
        return;
    }
    const px708::OnOffParameter& p = onOffParameter(prefix);
    ctx_.link.command(p.state, std::string(p.prefix) + (index == 0 ? '1' : '0'));
}
