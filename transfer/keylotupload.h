#pragma once
// The page "Keylot Upload" without its widgets: a list of transponder codes read from a text
// file goes into one lot of the reader, the keylot, and becomes the reader's keylot.
//
// The list: every line of the file with ten characters or more, cut to its first ten; shorter
// lines are dropped. The file is UTF-8, or Windows-1252 when it is not valid UTF-8.
//
// The upload: the reader is put into its own mode, then each code is sent as an upload record
// ("S" and the record, command state 32) and the reader's "SOK" (Flow::do_csv_download) sends
// the next. After the last "SOK" (at once for an empty list) the keylot number is sent ("K" and
// the lot, state 211); the reader's "KOK" (Flow::keylotSelected) is followed by the save and
// seek mode "M01" (state 55), and a line containing "MOK" (Flow::seekModeSet) ends the upload:
// "Seek Mode set", the list emptied and the upload button hidden. A refusal ("SNO", "KNO",
// "MNO") shows the error dialog in the link and ends the sequence there.
//
// The object holds what the page shows (the list, the two labels, whether "Download  to
// Reader" is offered, the keylot) and says changed() whenever any of it changes; before each
// paced send it has the window repainted, so the command being sent is on the screen.
//
// Thread affinity: main thread only. The link must outlive this object.

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>

namespace px708 {

class ReaderLink;

class KeylotUpload : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;
    static constexpr int kRecordState = 32;
    static constexpr int kKeylotState = 211;
    static constexpr int kSeekModeState = 55;

    enum class Phase {
        Idle,        // nothing sent yet, or a list was imported
        Sending,     // a record awaits its reply
        ListSent,    // every record was taken; the keylot number awaits its reply
        KeylotSet,   // the keylot was accepted; the seek mode awaits its reply
        SeekModeSet, // done
    };

    // Registers the three flows with the link; the destructor removes them. now is the PC's
    // clock that the records carry.
    explicit KeylotUpload(ReaderLink& link, Clock now = &QDateTime::currentDateTime);
    ~KeylotUpload() override;
    KeylotUpload(const KeylotUpload&) = delete;
    KeylotUpload& operator=(const KeylotUpload&) = delete;

    // The keylot codes of a text (the lines of a keylot file).
    static QStringList keylotList(const QString& text);

    // "Import CSV File" with a chosen file: the list becomes the file's codes. Raises
    // TransferError when the file cannot be read; the list and the labels are then as they were.
    void importFile(const QString& path);
    // The end of "Import CSV File", whether a file was chosen or not: the count of codes in
    // Label51, "Ensure Reader is connected!" in Label52, "Download  to Reader" offered.
    void importFinished();
    // "Clear CSV File": the list and both labels emptied, the upload no longer offered.
    void clear();

    // "Download  to Reader": the connect operation (the reader into its own mode) and a short
    // wait, handling no operator input, for the reader's answer to it; then state 32 and the
    // first record sent (or, for an empty list, the completion and the keylot number). Errors
    // of the port go to the caller.
    void start();
    // Sends the code at the counter, or reports the completion and sends the keylot number.
    void do_csv_download();
    // "CSV Test": each line of the list gets "-", "S" and its record appended; nothing is sent.
    void xyz();

    // Reply flows.
    void recordStored();   // "SOK" in state 32
    void keylotSelected(); // "KOK" in state 211
    void seekModeSet();    // a line containing "MOK" in state 55

    const QStringList& list() const { return list_; }
    // The keylot, datalot3: "01" at start; an empty keylot becomes "01" at the first record.
    const QString& keylot() const { return keylot_; }
    void setKeylot(const QString& lot);
    const QString& countText() const { return countText_; } // Label51
    const QString& status() const { return status_; }       // Label52
    bool uploadOffered() const { return uploadOffered_; }   // Button70 shown
    Phase phase() const { return phase_; }
    // The index of the next code to send.
    int counter() const { return counter_; }

signals:
    void changed();

private:
    void settleModeSwitch();
    void completed();
    QString completionText() const;
    QString recordOf(const QString& line);

    ReaderLink& link_;
    Clock now_;
    QStringList list_;
    QString keylot_ = QStringLiteral("01");
    QString countText_ = QStringLiteral(".");
    QString status_;
    bool uploadOffered_ = false;
    Phase phase_ = Phase::Idle;
    int counter_ = 0;
    bool starting_ = false;
};

} // namespace px708
