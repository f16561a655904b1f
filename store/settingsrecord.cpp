#include "store/settingsrecord.h"

#include "store/datesettings.h"
#include "store/table.h"

#include <algorithm>

namespace px708::settings {

int programBaudIndex(int rate) {
    const auto it = std::find(kProgramBaudRates.begin(), kProgramBaudRates.end(), rate);
    return it == kProgramBaudRates.end() ? -1 : static_cast<int>(it - kProgramBaudRates.begin());
}

bool firstRunNeeded(const Table& tblc) {
    return tblc.fieldByName(u"separator").asString().isEmpty() ||
           tblc.fieldByName(u"ddmmyy").asString().isEmpty();
}

void storeFirstRunResults(Table& tblc, const QString& separator, const QString& order) {
    tblc.edit();
    tblc.fieldByName(u"separator").setAsString(separator);
    tblc.fieldByName(u"ddmmyy").setAsString(order);
    tblc.post();
}

void applyDateSettings(const Table& tblc) {
    DateSettings::applyAtStartUp(static_cast<int>(tblc.fieldByName(u"ddmmyy").asInteger()),
                                 tblc.fieldByName(u"separator").asString());
}

void storeDateOrder(Table& tblc, int flag) {
    DateSettings::setDateOrder(flag);
    tblc.edit();
    tblc.fieldByName(u"ddmmyy").setAsInteger(flag);
    tblc.post();
    DateSettings::rebuildShortDatePattern();
}

void storeInitialPortSettings(Table& tblc) {
    tblc.edit();
    tblc.fieldByName(u"port").setAsInteger(kInitialPort);
    tblc.fieldByName(u"progbaud").setAsInteger(kInitialProgramBaud);
    tblc.post();
}

int storedPort(const Table& tblc) {
    return static_cast<int>(tblc.fieldByName(u"port").asInteger());
}

int storedProgramBaud(const Table& tblc) {
    return static_cast<int>(tblc.fieldByName(u"progbaud").asInteger());
}

} // namespace px708::settings
