#pragma once
// The program's short date pattern as a Qt display format for date editors and pickers.
//
// Thread affinity: main thread (reads the process-wide date settings).

#include <QString>

// The short date pattern with the current date separator in place of the pattern's "/", the
// separator quoted so that any character stays literal.
QString dateEditFormat();
