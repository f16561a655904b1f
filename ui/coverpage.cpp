#include "ui/coverpage.h"

#include "ui/versionrecord.h"
#include "ui_coverpage.h"

#include <QEvent>
#include <QPalette>

namespace {

// The page's size in the window's first size (802 x 586): the title panel's distances to the
// right and bottom edges are taken from it.
constexpr QSize kDesignPageSize(794, 505);
constexpr QRect kDesignTitle(208, 120, 323, 154);

const QColor kTitleColour(192, 220, 192);
const QColor kTeal(0, 128, 128);

} // namespace

TCoverPage::TCoverPage(QWidget* parent, const std::filesystem::path& executable)
    : QWidget(parent), ui(std::make_unique<Ui::TCoverPage>()) {
    ui->setupUi(this);

    QPalette title = ui->Panel9->palette();
    title.setColor(QPalette::Window, kTitleColour);
    ui->Panel9->setPalette(title);
    ui->Panel9->setAutoFillBackground(true);
    QFont titleFont(QStringLiteral("Palatino Linotype"));
    titleFont.setPixelSize(19);
    titleFont.setBold(true);
    ui->Panel9->setFont(titleFont);

    const std::optional<std::string> version = px708::productVersion(executable);
    const QString value = version ? QString::fromStdString(*version).toHtmlEscaped()
                                  : QStringLiteral("Value Not Available");
    QPalette pane = ui->VersionInfoStatus1->palette();
    pane.setColor(QPalette::Window, pane.color(QPalette::HighlightedText));
    pane.setColor(QPalette::WindowText, kTeal);
    ui->VersionInfoStatus1->setPalette(pane);
    ui->VersionInfoStatus1->setAutoFillBackground(true);
    QFont paneFont(QStringLiteral("Palatino"));
    paneFont.setPixelSize(13);
    ui->VersionInfoStatus1->setFont(paneFont);
    // The field label in the window-text colour, the version in the pane's teal.
    ui->VersionInfoStatus1->setText(QStringLiteral("<span style=\"color:%1\">Version:</span> %2")
                                        .arg(palette().color(QPalette::WindowText).name(), value));
    const QSize fitted = ui->VersionInfoStatus1->sizeHint();
    ui->VersionInfoStatus1->resize(std::max(fitted.width(), 161), fitted.height());

    ui->Panel5->installEventFilter(this);
}

TCoverPage::~TCoverPage() = default;

QLabel* TCoverPage::Panel9() const {
    return ui->Panel9;
}
QLabel* TCoverPage::VersionInfoStatus1() const {
    return ui->VersionInfoStatus1;
}
QLabel* TCoverPage::Image2() const {
    return ui->Image2;
}

void TCoverPage::anchorTitle() {
    const int right = kDesignPageSize.width() - kDesignTitle.right() - 1;
    const int bottom = kDesignPageSize.height() - kDesignTitle.bottom() - 1;
    const QSize page = ui->Panel5->size();
    ui->Panel9->setGeometry(kDesignTitle.left(), kDesignTitle.top(),
                            std::max(0, page.width() - kDesignTitle.left() - right),
                            std::max(0, page.height() - kDesignTitle.top() - bottom));
}

bool TCoverPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->Panel5 && event->type() == QEvent::Resize)
        anchorTitle();
    return QWidget::eventFilter(watched, event);
}
