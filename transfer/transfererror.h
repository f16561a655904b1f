#pragma once
// TransferError: a transfer that could not be done or was cut short, with the text the window
// shows the operator ("Cannot create file /home/ann/lot7.csv" and the system's reason).
//
// Thread affinity: none.

#include <QString>

#include <stdexcept>

namespace px708 {

class TransferError : public std::runtime_error {
public:
    explicit TransferError(const QString& text)
        : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const { return text_; }

private:
    QString text_;
};

} // namespace px708
