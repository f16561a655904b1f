#include "store/fieldnames.h"

#include "store/table.h"

namespace px708 {

std::array<QString, kAppliedUserFieldNames> applyUserFieldNames(const Table& tblc, Table& tbld) {
    std::array<QString, kAppliedUserFieldNames> names;
    for (int i = 0; i < kAppliedUserFieldNames; ++i) {
        const UserFieldName& entry = kUserFieldNames[static_cast<std::size_t>(i)];
        names[static_cast<std::size_t>(i)] =
            tblc.fieldByName(QString::fromLatin1(entry.settingsField)).asString();
        tbld.fieldByName(QString::fromLatin1(entry.readingsField))
            .setDisplayLabel(names[static_cast<std::size_t>(i)]);
    }
    return names;
}

} // namespace px708
