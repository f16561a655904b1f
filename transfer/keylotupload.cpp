#include "transfer/keylotupload.h"

#include "link/readerlink.h"
#include "transfer/textlines.h"
#include "transfer/uploadrecord.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <chrono>

namespace px708 {

namespace {
constexpr qsizetype kKeylotLineLength = 10;
// How long the reader's answer to the mode switch is waited for before the upload goes on.
constexpr std::chrono::milliseconds kModeAnswerWait{300};
} // namespace

KeylotUpload::KeylotUpload(ReaderLink& link, Clock now) : link_(link), now_(std::move(now)) {
    FlowTable& flows = link_.flows();
    flows.set(Flow::do_csv_download, [this](const std::string&) { recordStored(); });
    flows.set(Flow::keylotSelected, [this](const std::string&) { keylotSelected(); });
    flows.set(Flow::seekModeSet, [this](const std::string&) { seekModeSet(); });
}

KeylotUpload::~KeylotUpload() {
    FlowTable& flows = link_.flows();
    flows.set(Flow::do_csv_download, {});
    flows.set(Flow::keylotSelected, {});
    flows.set(Flow::seekModeSet, {});
}

QStringList KeylotUpload::keylotList(const QString& text) {
    QStringList codes;
    for (const QString& line : splitLines(text))
        if (line.size() >= kKeylotLineLength)
            codes.append(line.left(kKeylotLineLength));
    return codes;
}

void KeylotUpload::importFile(const QString& path) {
    // The file is read whole before the list changes: a file that cannot be read leaves the
    // list the operator had.
    QStringList codes = keylotList(readTextFile(path));
    list_ = std::move(codes);
    countText_.clear();
    phase_ = Phase::Idle;
    emit changed();
}

void KeylotUpload::importFinished() {
    countText_ = QString::number(list_.size()) + QStringLiteral(" records imported");
    status_ = QStringLiteral("Ensure Reader is connected!");
    uploadOffered_ = true;
    emit changed();
}

void KeylotUpload::clear() {
    list_.clear();
    countText_.clear();
    status_.clear();
    uploadOffered_ = false;
    phase_ = Phase::Idle;
    emit changed();
}

void KeylotUpload::setKeylot(const QString& lot) {
    if (lot == keylot_)
        return;
    keylot_ = lot;
    emit changed();
}

void KeylotUpload::start() {
    if (starting_)
        return;
    starting_ = true;
    try {
        link_.connectForPage(page::keylotUpload);
        settleModeSwitch();
    } catch (...) {
        starting_ = false;
        throw;
    }
    starting_ = false;
    link_.setState(kRecordState);
    link_.clearReplyBuffer();
    counter_ = 0;
    do_csv_download();
}

void KeylotUpload::settleModeSwitch() {
    // The reader answers the mode switch with a line of its own. Taken in the mode-switch
    // state it is shown and discarded; arriving after the next command it would be taken for
    // that command's answer (joined to the "KOK" of an empty list, it hides it). The reader
    // answers as soon as the command ends, so a short wait takes it in; the wait handles no
    // operator input.
    QElapsedTimer waited;
    waited.start();
    while (link_.state() == ReaderLink::stateModeSwitch &&
           waited.elapsed() < kModeAnswerWait.count())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
}

QString KeylotUpload::completionText() const {
    return QStringLiteral(" Download of ") + QString::number(list_.size()) +
           QStringLiteral(" records completed");
}

QString KeylotUpload::recordOf(const QString& line) {
    if (keylot_.isEmpty())
        setKeylot(QStringLiteral("01"));
    const QString lot = keylot_.size() == 1 ? QLatin1Char('0') + keylot_ : keylot_;
    return keylotUploadRecord(line, lot, now_());
}

void KeylotUpload::do_csv_download() {
    if (counter_ >= list_.size()) {
        completed();
        return;
    }
    phase_ = Phase::Sending;
    link_.setState(kRecordState);
    const std::string command = uploadCommand(recordOf(list_.at(counter_).left(32)));
    status_ = QString::fromLatin1(command);
    emit changed();
    // The command stays on the screen while its paced send holds the main thread.
    link_.view().repaintNow();
    link_.sendit(command);
}

void KeylotUpload::completed() {
    phase_ = Phase::ListSent;
    status_ = completionText();
    emit changed();
    // The keylot follows every completed list, however long the reader took over it.
    if (keylot_.isEmpty())
        setKeylot(QStringLiteral("01"));
    link_.view().repaintNow();
    link_.command(kKeylotState, "K" + keylot_.toLatin1().toStdString());
}

void KeylotUpload::recordStored() {
    if (phase_ != Phase::Sending)
        return;
    ++counter_;
    do_csv_download();
}

void KeylotUpload::keylotSelected() {
    phase_ = Phase::KeylotSet;
    status_ = keylot_ + QStringLiteral(" KeyLot set ");
    emit changed();
    link_.view().repaintNow();
    link_.command(kSeekModeState, "M01");
}

void KeylotUpload::seekModeSet() {
    phase_ = Phase::SeekModeSet;
    status_ = QStringLiteral("Seek Mode set");
    uploadOffered_ = false;
    list_.clear();
    emit changed();
}

void KeylotUpload::xyz() {
    counter_ = 0;
    while (counter_ < list_.size()) {
        link_.setState(kRecordState);
        QString& line = list_[counter_];
        line += QStringLiteral("-") + QString::fromLatin1(uploadCommand(recordOf(line.left(32))));
        ++counter_;
    }
    status_ = completionText();
    phase_ = Phase::ListSent;
    emit changed();
}

} // namespace px708
