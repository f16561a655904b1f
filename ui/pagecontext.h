#pragma once
// PageContext: what the main window hands to each page widget it hosts.
//
// Thread affinity: main thread only. The main window owns every object referred to here and
// outlives the page widgets, so the references stay valid for a page's whole life.

#include "link/linkview.h"

#include <exception>
#include <functional>
#include <string>

class QWidget;

namespace px708 {
class KeylotUpload;
class TComPort;
class ReaderLink;
class Table;
class TableUpload;
} // namespace px708

struct PageContext {
    // The serial port component Com1 of the main window.
    px708::TComPort& Com1;
    // The reader protocol: sendit, command state, reply interpretation, mode switching.
    px708::ReaderLink& link;
    // Parent for dialogs and message boxes a page shows.
    QWidget* mainWindow;
    // Shows an exception in the application's standard error box (critical icon, application
    // name as caption, the exception's text). Call it from a catch block of a handler, so that
    // no exception crosses the event loop.
    std::function<void(const std::exception& e)> showException;
    // The settings table tblc and the current readings table tbld of the main window, for
    // pages that show or edit them; nullptr when the page is hosted without tables.
    px708::Table* tblc = nullptr;
    px708::Table* tbld = nullptr;
    // "Download table to Reader" of the Data page and the keylot page's upload, owned by the
    // main window; nullptr when the page is hosted without them.
    px708::TableUpload* tableUpload = nullptr;
    px708::KeylotUpload* keylotUpload = nullptr;
};
