#pragma once
// Plain text files read line by line (the keylot list): the whole file decoded as the imports
// decode it (UTF-8, else Windows-1252; transfer/textencoding.h) and split at its line ends.
//
// Thread affinity: none (pure functions and a file read).

#include <QString>
#include <QStringList>
#include <QStringView>

namespace px708 {

// The lines of a text: a line ends at a carriage return, a line feed, or the pair of them. A
// text that ends with a line end has no empty line after it.
QStringList splitLines(QStringView text);

// Reads a whole file and decodes it. Raises TransferError "Cannot open file <path>" and the
// system's reason on a second line when it cannot be read.
QString readTextFile(const QString& path);

} // namespace px708
