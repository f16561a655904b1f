#pragma once
// TFormmessage: the message dialog. The caller creates one per message, sets the text, runs it
// modally (runModal) and destroys it when it has closed. With the text "x" the reader link shows
// its error dialog text instead; that choice is the caller's.
//
// Thread affinity: main thread only.

#include <QDialog>

#include <memory>

namespace Ui {
class Formmessage;
}

class TFormmessage : public QDialog {
    Q_OBJECT
public:
    explicit TFormmessage(QWidget* parent = nullptr);
    ~TFormmessage() override;

    // The message, shown centred as the caption of the panel.
    void setText(const QString& text);
    QString text() const;

    void BitBtn1Click();

private:
    std::unique_ptr<Ui::Formmessage> ui;
};
