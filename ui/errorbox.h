#pragma once
// The application's standard error box: a critical message box with the application's name as
// caption and the text of the exception.
//
// Thread affinity: main thread only.

#include <exception>
#include <functional>

class QString;
class QWidget;

namespace px708 {

void showErrorText(QWidget* parent, const QString& text);
void showException(QWidget* parent, const std::exception& e);

// Runs work and shows any exception that escapes it in the standard error box, so that no
// exception leaves an event handler into Qt's event loop. Returns false when work threw.
bool guarded(QWidget* parent, const std::function<void()>& work);

} // namespace px708
