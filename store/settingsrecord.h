#pragma once
// The settings record (the single row of config.db in tblc) as the start-up and the settings
// controls use it: the first-run test and its results, the date settings it holds, the port
// number and the program baud rate.
//
// Thread affinity: main thread (as Table). Every function needs tblc open.

#include <QString>

#include <array>

namespace px708 {

class Table;

namespace settings {

// The items of "Program BAUD rate" (rgbaudp), in order; each item stores its rate.
inline constexpr std::array<int, 6> kProgramBaudRates{300, 1200, 2400, 4800, 9600, 19200};
// The serial component's initial port number and baud rate.
inline constexpr int kInitialPort = 1;
inline constexpr int kInitialProgramBaud = 9600;
// The item of a stored rate, -1 for a rate that is no item.
int programBaudIndex(int rate);

// True when separator or ddmmyy, read as text, is empty (a new config.db).
bool firstRunNeeded(const Table& tblc);

// Stores the Setup dialog's results, both as text ("/", "-" or "."; "0" or "1"), and posts
// the record; on an empty table this inserts the record.
void storeFirstRunResults(Table& tblc, const QString& separator, const QString& order);

// The date separator (first character of separator), the date-order flag (ddmmyy as an
// integer) and the short date pattern built from them, as the start-up sets them.
void applyDateSettings(const Table& tblc);

// The "Date Format" change: flag := the selected item (-1 for none); stores it in ddmmyy and
// posts the record (with any other pending change of it), then rebuilds the short date
// pattern with the current separator.
void storeDateOrder(Table& tblc, int flag);

// A new installation's port settings: the serial component's initial values, port 1 at the
// program baud rate 9600, stored and posted, so that the first start opens the port on them
// instead of asking for one.
void storeInitialPortSettings(Table& tblc);

// port and progbaud read as integers (0 when empty).
int storedPort(const Table& tblc);
int storedProgramBaud(const Table& tblc);

} // namespace settings
} // namespace px708
