#include "ui/form1.h"

#include "link/modesettings.h"
#include "link/readerlink.h"
#include "serial/comport.h"
#include "serial/inifile.h"
#include "serial/portmap.h"
#include "serial/portprobe.h"
#include "store/database.h"
#include "store/datesettings.h"
#include "store/fieldnames.h"
#include "store/readingstables.h"
#include "store/schemas.h"
#include "store/settingsrecord.h"
#include "store/storeerror.h"
#include "store/table.h"
#include "transfer/keylotupload.h"
#include "transfer/tabledownload.h"
#include "transfer/tableupload.h"
#include "ui/coverpage.h"
#include "ui/datapage.h"
#include "ui/dateformat.h"
#include "ui/downloadstrip.h"
#include "ui/errorbox.h"
#include "ui/fieldbinding.h"
#include "ui/formmessage.h"
#include "ui/formsetup.h"
#include "ui/keylotpage.h"
#include "ui/memolines.h"
#include "ui/modal.h"
#include "ui/onlinepage.h"
#include "ui/onlinesettingspage.h"
#include "ui/paths.h"
#include "ui/pictures.h"
#include "ui/portselectform.h"
#include "ui/radiogroup.h"
#include "ui/settingspage.h"
#include "ui/zelmarpage.h"
#include "ui_form1.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFont>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QStyle>
#include <QTextBrowser>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <exception>
#include <thread>

namespace {

QString fromBytes(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string toBytes(const QString& text) {
    return text.toLatin1().toStdString();
}

void setPanelColour(QWidget* panel, const QColor& colour) {
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, colour);
    panel->setPalette(palette);
    panel->setAutoFillBackground(true);
}

// The close button keeps its distance from the right edge of the top strip.
constexpr int kCloseButtonRightMargin = 802 - (714 + 75);

// The serial ports test probes the port numbers 1 to this one.
constexpr int kLastProbedPort = 60;

// The pause between closing the port and opening it at another program baud rate.
constexpr auto kBaudChangePause = std::chrono::milliseconds(333);

// A new installation's settings record names the readings fields as the captions of the
// Data page read before any name is given, as an installed settings table would: otherwise
// the first start would show every caption blank.
void storeDefaultFieldNames(px708::Table& tblc) {
    tblc.edit();
    for (int i = 0; i < px708::kAppliedUserFieldNames; ++i) {
        const px708::UserFieldName& entry = px708::kUserFieldNames[static_cast<std::size_t>(i)];
        tblc.fieldByName(QString::fromLatin1(entry.settingsField))
            .setAsString(QString::fromLatin1(entry.defaultCaption));
    }
    tblc.post();
}

QStringList programBaudValues() {
    QStringList values;
    for (int rate : px708::settings::kProgramBaudRates)
        values << QString::number(rate);
    return values;
}

} // namespace

TForm1::TForm1(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::Form1>()),
      Com1_(std::make_unique<px708::TComPort>()) {
    ui->setupUi(this);
    // Title bar with the system menu and close box only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    resize(802, 586);
    QFont font(QStringLiteral("Sans Serif"));
    font.setPointSize(8);
    setFont(font);
    // The reader's mode in bold red, 13 pixels high: palette and font rather than a style
    // sheet, which would bring the style sheet machinery into the start-up for one label.
    QFont modeFont;
    modeFont.setBold(true);
    modeFont.setPixelSize(13);
    ui->mode->setFont(modeFont);
    QPalette modePalette = ui->mode->palette();
    modePalette.setColor(QPalette::WindowText, Qt::red);
    ui->mode->setPalette(modePalette);
    setPanelColour(ui->Panel35, QColor(240, 251, 255));
    ui->BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    ui->Panel2->installEventFilter(this);
    // The port buffer view collects every reply line; an undo history of them would cost
    // memory and time and undo nothing the operator did.
    ui->Memo1->setUndoRedoEnabled(false);

    link_ = std::make_unique<px708::ReaderLink>(*Com1_, *this);
    Db1_ = std::make_unique<px708::Database>(QStringLiteral("Db1"));
    tblc_ = std::make_unique<px708::Table>(*Db1_, QStringLiteral("tblc"), px708::settingsSchema());
    tbld_ = std::make_unique<px708::Table>(*Db1_, QStringLiteral("tbld"), px708::readingsSchema());
    tableDownload_ = std::make_unique<px708::TableDownload>(*link_, *tbld_);
    tableUpload_ = std::make_unique<px708::TableUpload>(*link_, *tbld_);
    keylotUpload_ = std::make_unique<px708::KeylotUpload>(*link_);
    context_.reset(
        new PageContext{*Com1_, *link_, this, [this](const std::exception& e) { showException(e); },
                        tblc_.get(), tbld_.get(), tableUpload_.get(), keylotUpload_.get()});

    initCom1();
    hostCoverPage();
    connectControls();
    FormCreate();
}

TForm1::~TForm1() {
    // The bound controls and the pages hold references into the context and the tables; they
    // go before the objects they name.
    delete settingsBinder_;
    settingsBinder_ = nullptr;
    delete ui->Page;
    ui->Page = nullptr;
}

QTabWidget* TForm1::Page() const {
    return ui->Page;
}

QWidget* TForm1::pageSheet(int index) const {
    return ui->Page->widget(index);
}

void TForm1::hostPage(int index, QWidget* pageWidget) {
    QWidget* sheet = pageSheet(index);
    pageWidget->setParent(sheet);
    sheet->layout()->addWidget(pageWidget);
    // A page built while its sheet is already shown (the operator changed to it before it
    // was there) shows at once, not on the next turn of the event loop.
    pageWidget->show();
}

void TForm1::selectPage(int index) {
    programSelectsPage_ = true;
    ui->Page->setCurrentIndex(index);
    programSelectsPage_ = false;
}

void TForm1::showException(const std::exception& e) {
    px708::showException(this, e);
}

void TForm1::initCom1() {
    px708::TComPort& com = *Com1_;
    com.setComNumber(px708::settings::kInitialPort);
    com.setBaud(px708::settings::kInitialProgramBaud);
    com.setAutoOpen(false);
    com.setBufferFull(3072);
    com.setBufferResume(1024);
    com.setTraceName("px708.TRC");
    com.setTraceAllHex(true);
    com.setTracing(px708::TTraceLogState::tlOn);
    com.setLogName("px708.LOG");
    com.setLogAllHex(true);
    com.setLogging(px708::TTraceLogState::tlOn);
    com.OnTriggerAvail = [this](px708::TComPort& cp, std::uint16_t count) {
        // The pages take part in the flows of replies.
        ensurePages();
        px708::guarded(this, [&] { link_->Com1TriggerAvail(cp, count); });
    };
    com.OnSelectPort = [this](const std::vector<int>& available) {
        return TPortSelectForm::choosePort(available, this);
    };
    com.OnDeviceError = [this](const px708::EComPortException& e) {
        // Nothing that waits for the reader goes on once its port is gone: the window is not
        // left showing the wait cursor of an upload.
        restoreCursor();
        showException(e);
    };
    com.OnHandlerError = [this](const std::exception& e) { showException(e); };
}

void TForm1::hostCoverPage() {
    auto* cover = new TCoverPage(pageSheet(px708::page::cover));
    coverPage_ = cover;
    hostPage(px708::page::cover, cover);
    px708::showPagePictures(cover);
    // The other pages are built once the cover has been painted: the operator sees the window
    // first. Whatever needs them earlier (a page change, a line from the reader, a control the
    // link names) builds them at once.
    cover->installEventFilter(this);
}

void TForm1::ensurePages() const {
    if (!pagesBuilt_)
        const_cast<TForm1*>(this)->buildPages();
}

void TForm1::buildPages() {
    pagesBuilt_ = true;
    coverPage_->removeEventFilter(this);
    auto* settings = new TSettingsPage(*context_, pageSheet(px708::page::settings1));
    settingsPage_ = settings;
    hostPage(px708::page::settings1, settings);
    hostPage(px708::page::zelmarSettings2,
             new TZelmarPage(*context_, pageSheet(px708::page::zelmarSettings2)));
    hostPage(px708::page::onlineSettings3,
             new TOnlinePage(*context_, pageSheet(px708::page::onlineSettings3)));
    hostPage(px708::page::onlineSettings4,
             new TOnlineSettingsPage(*context_, pageSheet(px708::page::onlineSettings4)));
    dataPage_ = new TDataPage(*context_, pageSheet(px708::page::data));
    hostPage(px708::page::data, dataPage_);
    hostPage(px708::page::keylotUpload,
             new TKeylotPage(*context_, pageSheet(px708::page::keylotUpload)));
    new TDownloadStrip(dataPage_, *tableDownload_, *context_);
    for (int index = 0; index < ui->Page->count(); ++index)
        if (index != px708::page::cover)
            px708::showPagePictures(pageSheet(index));
    // A control looked up before the pages were there was remembered as missing.
    controls_.clear();
    bindSettingsControls();
    if (auto* button = findChild<QAbstractButton*>(QStringLiteral("keylotPageButton")))
        connect(button, &QAbstractButton::clicked, this, [this] { showKeylotPage(); });
    px708::guarded(this, [this] {
        applyDatePattern();
        // The start applies the field names last; when it did not get that far, neither do
        // the pages.
        if (fieldNamesPending_) {
            fieldNamesPending_ = false;
            dataPage_->do_fieldnames();
        }
    });
}

void TForm1::bindSettingsControls() {
    auto* page = static_cast<TSettingsPage*>(settingsPage_);
    settingsBinder_ = new FieldBinder(*tblc_, this);
    settingsBinder_->setErrorHandler([this](const std::exception& e) { showException(e); });
    settingsBinder_->bindSpinBox(page->PortSpinEdit1(), QStringLiteral("port"));
    settingsBinder_->bindRadioGroup(page->rgbaudp(), QStringLiteral("progbaud"),
                                    programBaudValues());
    settingsBinder_->bindLineEdit(page->DBEdit1(), QStringLiteral("separator"));
    settingsBinder_->bindRadioGroup(page->rgdt(), QStringLiteral("ddmmyy"),
                                    {QStringLiteral("0"), QStringLiteral("1")});
    // Loading the settings record into the groups is no change of the operator's: the show
    // step opens the port on the stored values, and the start-up sets the date settings.
    connect(settingsBinder_, &FieldBinder::userChanged, this, [this, page](QWidget* control) {
        if (control == static_cast<QWidget*>(page->rgbaudp()))
            guard(&TForm1::rgbaudpChange);
        else if (control == static_cast<QWidget*>(page->rgdt()))
            guard(&TForm1::rgdtChange);
    });
    // The separator follows the editor's text also when the record is loaded into it.
    connect(page->DBEdit1(), &QLineEdit::textChanged, this,
            [this] { guard(&TForm1::DBEdit1Change); });
    connect(page->Button72(), &QAbstractButton::clicked, this,
            [this] { guard(&TForm1::Button72Click); });
    connect(page, &TSettingsPage::PortSpinEdit1Enter, this,
            [this] { guard(&TForm1::PortSpinEdit1Enter); });
    connect(page, &TSettingsPage::PortSpinEdit1Exit, this,
            [this] { guard(&TForm1::PortSpinEdit1Exit); });
}

void TForm1::connectControls() {
    connect(ui->Page, &QTabWidget::currentChanged, this, [this](int index) {
        if (index != px708::page::cover)
            ensurePages();
        if (!programSelectsPage_)
            px708::guarded(this, [&] { PageChange(index); });
    });
    const auto onClick = [this](QAbstractButton* button, void (TForm1::*handler)()) {
        connect(button, &QAbstractButton::clicked, this, [this, handler] { guard(handler); });
    };
    onClick(ui->BitBtn1, &TForm1::BitBtn1Click);
    onClick(ui->BitBtn2, &TForm1::BitBtn2Click);
    onClick(ui->BitBtn3, &TForm1::BitBtn3Click);
    onClick(ui->BitBtn4, &TForm1::BitBtn4Click);
    onClick(ui->Button29, &TForm1::Button29Click);
    onClick(ui->Button32, &TForm1::Button32Click);
    onClick(ui->Button58, &TForm1::Button58Click);

    // Ctrl+Tab steps through the shown tabs from anywhere in the window, not only from inside
    // the page control; the page control itself skips hidden tabs.
    const auto stepPage = [this](int step) {
        QTabWidget* page = ui->Page;
        const int count = page->count();
        for (int i = 1; i < count; ++i) {
            const int candidate = (page->currentIndex() + step * i + count) % count;
            if (page->isTabVisible(candidate) && page->isTabEnabled(candidate)) {
                page->setCurrentIndex(candidate);
                return;
            }
        }
    };
    auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    auto* previous = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), this);
    auto* previousTab = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), this);
    for (QShortcut* s : {next, previous, previousTab})
        s->setContext(Qt::WindowShortcut);
    connect(next, &QShortcut::activated, this, [stepPage] { stepPage(1); });
    connect(previous, &QShortcut::activated, this, [stepPage] { stepPage(-1); });
    connect(previousTab, &QShortcut::activated, this, [stepPage] { stepPage(-1); });

    // The keylot page has no tab of its own: a shortcut and a button on the Data page open it.
    auto* keylotPage = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_K), this);
    keylotPage->setContext(Qt::WindowShortcut);
    connect(keylotPage, &QShortcut::activated, this, [this] { showKeylotPage(); });
}

void TForm1::showKeylotPage() {
    ui->Page->setCurrentIndex(px708::page::keylotUpload);
}

void TForm1::guard(void (TForm1::*handler)()) {
    px708::guarded(this, [&] { (this->*handler)(); });
}

void TForm1::FormCreate() {
    px708::guarded(this, [this] {
        ui->WebBrowser1->setSource(QUrl::fromLocalFile(
            QString::fromStdString((px708::dataFolder() / "px706.htm").string())));
        const px708::IniFile ini = px708::IniFile::read(px708::locateIniFile());
        const px708::ModeSettings mode = px708::readModeSettings(ini);
        extra_ = mode.extra;
        link_->setPause(mode.pause);
        px708::setPortMap(px708::readPortMap(ini));
        ui->Page->setTabVisible(px708::page::onlineSettings4, extra_ == 1);
        ui->Page->setTabVisible(px708::page::keylotUpload, false);
        ui->Page->setTabVisible(px708::page::manual, false);

        px708::Table& settings = *tblc_;
        Db1_->connect();
        settings.setFileName(QString::fromLatin1(px708::kSettingsFileName));
        settings.open();
        if (Db1_->createdTables()) {
            storeDefaultFieldNames(settings);
            px708::settings::storeInitialPortSettings(settings);
        }
        if (px708::settings::firstRunNeeded(settings)) {
            TFormsetup setup(this);
            px708::runModal(setup);
            px708::settings::storeFirstRunResults(settings, setup.separatorResult(),
                                                  setup.orderResult());
        }
        px708::DateSettings::setDateSeparator(settings.fieldByName(u"separator").asString());
        px708::DateSettings::setDateOrder(
            static_cast<int>(settings.fieldByName(u"ddmmyy").asInteger()));
        // A readings table that cannot be opened is reported once the date settings and the
        // field names are in place: without them every date of the run would be read and
        // shown in the wrong pattern, long after the operator has opened another table.
        std::exception_ptr readingsFailure;
        try {
            tbld_->setFileName(px708::readingsTableFileName(1));
            tbld_->open();
        } catch (const px708::StoreError&) {
            readingsFailure = std::current_exception();
        }
        // The time patterns are fixed ("HH:mm:ss", separator ':'); the short date pattern is
        // built from the order and separator just read.
        px708::settings::applyDateSettings(settings);
        applyDatePattern();
        link_->setModeSwitchMarker(std::string(1, '\x1A'));
        if (dataPage_)
            dataPage_->do_fieldnames();
        else
            fieldNamesPending_ = true;
        if (readingsFailure)
            std::rethrow_exception(readingsFailure);
    });
}

void TForm1::FormShow() {
    selectPage(px708::page::cover);
    reopenComOnStoredSettings();
}

void TForm1::reopenComOnStoredSettings() {
    px708::TComPort& com = *Com1_;
    if (com.Open())
        com.setOpen(false);
    com.setBaud(px708::settings::storedProgramBaud(*tblc_));
    com.setComNumber(static_cast<std::uint16_t>(px708::settings::storedPort(*tblc_)));
    com.setOpen(true);
}

void TForm1::FormClose() {
    // What the operator changed and did not store yet is kept: the settings record and the
    // current row of the readings table are stored before the port goes.
    px708::guarded(this, [this] {
        if (tblc_->isOpen()) {
            if (settingsBinder_)
                settingsBinder_->updateRecord();
            if (tblc_->modified())
                tblc_->post();
        }
    });
    px708::guarded(this, [this] {
        if (tbld_->isOpen()) {
            if (dataPage_)
                dataPage_->updateRecord();
            if (tbld_->modified())
                tbld_->post();
        }
    });
    // The trace, the log and the port: each goes even when the one before failed (a current
    // folder that cannot be written), and the first failure is shown once the port is closed.
    Com1_->DumpAndClose();
}

void TForm1::rgbaudpChange() {
    px708::TComPort& com = *Com1_;
    com.setOpen(false);
    // The pause is the original's: no input is handled while it lasts.
    std::this_thread::sleep_for(kBaudChangePause);
    const int item = static_cast<TSettingsPage*>(settingsPage_)->rgbaudp()->itemIndex();
    if (item >= 0 && item < static_cast<int>(px708::settings::kProgramBaudRates.size()))
        com.setBaud(px708::settings::kProgramBaudRates[static_cast<std::size_t>(item)]);
    com.setOpen(true);
}

void TForm1::PortSpinEdit1Enter() {
    tblc_->edit();
}

void TForm1::PortSpinEdit1Exit() {
    settingsBinder_->updateRecord();
    tblc_->post();
    reopenComOnStoredSettings();
}

void TForm1::rgdtChange() {
    const int flag = static_cast<TSettingsPage*>(settingsPage_)->rgdt()->itemIndex();
    px708::settings::storeDateOrder(*tblc_, flag);
    applyDatePattern();
}

void TForm1::DBEdit1Change() {
    px708::DateSettings::setDateSeparator(
        static_cast<TSettingsPage*>(settingsPage_)->DBEdit1()->text());
    // The reader's dates use the new separator at once, and so does a short date pattern built
    // with "/"; one built with another separator keeps it until the date format is chosen
    // again or the next start.
    applyDatePattern();
}

void TForm1::Button72Click() {
    // The probe processes events between ports; a second press meanwhile would start a
    // second probe inside the first.
    if (probingPorts_)
        return;
    auto* page = static_cast<TSettingsPage*>(settingsPage_);
    QPushButton* button = page->Button72();
    QPlainTextEdit* memo = page->Memo2();
    memo->clear();
    // The caption, the cursor and the guard come back however the probe ends.
    struct Probing {
        Probing(bool& flag, QPushButton* b) : running(flag), button(b) {
            running = true;
            QApplication::setOverrideCursor(Qt::WaitCursor);
        }
        ~Probing() {
            button->setText(QStringLiteral("Serial Ports Test"));
            QApplication::restoreOverrideCursor();
            running = false;
        }
        bool& running;
        QPushButton* button;
    } probing(probingPorts_, button);
    for (int n = 1; n <= kLastProbedPort; ++n) {
        button->setText(QStringLiteral("Testing Port %1").arg(n));
        repaint();
        QCoreApplication::processEvents();
        const std::string device = px708::devicePathForPort(n);
        if (ComPortAvailable(device.c_str()))
            memo->appendPlainText(QStringLiteral("Port%1 available").arg(n));
    }
}

bool TForm1::ComPortAvailable(const char* device) const {
    return px708::ComPortAvailable(device);
}

void TForm1::applyDatePattern() {
    if (dataPage_)
        dataPage_->applyDatePattern();
    if (settingsPage_)
        static_cast<TSettingsPage*>(settingsPage_)->applyDatePattern();
}

void TForm1::PageChange(int index) {
    if (auto* labeldump = findChild<QLabel*>(QStringLiteral("Labeldump")))
        labeldump->clear();
    if (index != px708::page::comPortBuffer && index != px708::page::manual)
        ui->BitBtn2->click();
}

void TForm1::BitBtn1Click() {
    close();
}

void TForm1::BitBtn2Click() {
    link_->connectForPage(ui->Page->currentIndex());
}

void TForm1::BitBtn3Click() {
    QDesktopServices::openUrl(QUrl::fromLocalFile(
        QString::fromStdString((px708::dataFolder() / "zelmar1.pdf").string())));
}

void TForm1::BitBtn4Click() {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(
        (px708::dataFolder() / "PX-708_Utility-OperationGuide_ REV 1.pdf").string())));
}

void TForm1::Button29Click() {
    link_->setZelmarMode();
}

void TForm1::Button32Click() {
    link_->setOnlineMode();
}

void TForm1::Button58Click() {
    ui->Memo1->clear();
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
    guard(&TForm1::FormShow);
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!closed_) {
        closed_ = true;
        guard(&TForm1::FormClose);
    }
    event->accept();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == coverPage_ && event->type() == QEvent::Paint) {
        // Once, after the paint has reached the screen.
        coverPage_->removeEventFilter(this);
        QTimer::singleShot(0, this, [this] { ensurePages(); });
    }
    if (watched == ui->Panel2 && event->type() == QEvent::Resize)
        ui->BitBtn1->move(ui->Panel2->width() - kCloseButtonRightMargin - ui->BitBtn1->width(),
                          ui->BitBtn1->y());
    return QWidget::eventFilter(watched, event);
}

QWidget* TForm1::control(std::string_view name) const {
    // The link names a control for every line it takes; a search of the whole window each time
    // would cost a download more than its rows. A control that went is looked up again.
    ensurePages();
    const std::string key(name);
    if (const auto it = controls_.find(key); it != controls_.end() && it->second)
        return it->second;
    QWidget* w = findChild<QWidget*>(fromBytes(name));
    controls_[key] = w;
    return w;
}

void TForm1::appendLine(std::string_view memo, const std::string& line) {
    QWidget* w = control(memo);
    if (auto* plain = qobject_cast<QPlainTextEdit*>(w))
        px708::pages::appendMemoLine(plain, fromBytes(line));
    else if (auto* rich = qobject_cast<QTextEdit*>(w))
        rich->append(fromBytes(line).toHtmlEscaped());
}

void TForm1::setRadioIndex(std::string_view group, int index) {
    // Radio groups publish their selection as the property itemIndex.
    if (QWidget* w = control(group))
        w->setProperty("itemIndex", index);
}

void TForm1::setCaption(std::string_view label, const std::string& text) {
    QWidget* w = control(label);
    if (auto* l = qobject_cast<QLabel*>(w))
        l->setText(fromBytes(text));
    else if (auto* b = qobject_cast<QAbstractButton*>(w))
        b->setText(fromBytes(text));
    else if (auto* g = qobject_cast<QGroupBox*>(w))
        g->setTitle(fromBytes(text));
}

void TForm1::setText(std::string_view edit, const std::string& text) {
    QWidget* w = control(edit);
    if (auto* e = qobject_cast<QLineEdit*>(w))
        e->setText(fromBytes(text));
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(w))
        plain->setPlainText(fromBytes(text));
    else if (auto* rich = qobject_cast<QTextEdit*>(w))
        rich->setPlainText(fromBytes(text));
    else if (auto* spin = qobject_cast<QSpinBox*>(w))
        spin->setValue(fromBytes(text).toInt());
    else if (auto* l = qobject_cast<QLabel*>(w))
        l->setText(fromBytes(text));
}

std::string TForm1::text(std::string_view edit) const {
    QWidget* w = control(edit);
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return toBytes(e->text());
    if (auto* plain = qobject_cast<QPlainTextEdit*>(w))
        return toBytes(plain->toPlainText());
    if (auto* rich = qobject_cast<QTextEdit*>(w))
        return toBytes(rich->toPlainText());
    if (auto* spin = qobject_cast<QSpinBox*>(w))
        return toBytes(spin->text());
    if (auto* l = qobject_cast<QLabel*>(w))
        return toBytes(l->text());
    return {};
}

void TForm1::showMessage(const std::string& text) {
    TFormmessage dialog(this);
    dialog.setText(fromBytes(text));
    px708::runModal(dialog);
}

void TForm1::messageBox(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), fromBytes(text),
                    QMessageBox::Ok, this);
    px708::runModal(box);
}

void TForm1::setWaitCursor() {
    if (QApplication::overrideCursor())
        QApplication::changeOverrideCursor(Qt::WaitCursor);
    else
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TForm1::restoreCursor() {
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void TForm1::repaintNow() {
    repaint();
}
