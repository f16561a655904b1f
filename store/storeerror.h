#pragma once
// Failures of the table store. A DatabaseError is a failing engine or file operation on a
// table or the connection: its text is the component's name, ": " and the engine's own text
// ("tbld: database is locked"), and it carries the engine's result code. A ConvertError is a
// value that a field cannot take ("'32/01/2024' is not a valid date"); it is not prefixed.

#include <QString>

#include <stdexcept>

namespace px708 {

class StoreError : public std::runtime_error {
public:
    explicit StoreError(const QString& text)
        : std::runtime_error(text.toStdString()), text_(text) {}
    // The message as the window shows it.
    const QString& text() const { return text_; }

private:
    QString text_;
};

class DatabaseError : public StoreError {
public:
    // code: the engine's extended result code, or 0 for failures of the store's own checks.
    DatabaseError(const QString& component, const QString& message, int code = 0)
        : StoreError(component + QStringLiteral(": ") + message), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

class ConvertError : public StoreError {
public:
    using StoreError::StoreError;
};

} // namespace px708
