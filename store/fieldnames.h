#pragma once
// The user field names: nine readings fields take a name of the operator's, stored in the
// settings record (field0 to field8), shown as the caption of the field's editor on the Data
// page and as the title of its grid column. field9 is edited and stored under "Country Code"
// but titles nothing: the "C Code" caption and the C_Code column keep their titles.
//
// Thread affinity: main thread (as Table).

#include <QString>

#include <array>

namespace px708 {

class Table;

struct UserFieldName {
    const char* settingsField;  // "field0"
    const char* readingsField;  // the grid column that takes the name; nullptr for field9
    const char* captionControl; // the Data page caption that takes it; nullptr for field9
    const char* defaultCaption; // the caption's text until a name is applied
    const char* editorControl;  // the editor in the field names panel
    const char* panelLabel;     // the editor's fixed label
};

// In the order of the field names panel, top to bottom.
inline constexpr std::array<UserFieldName, 10> kUserFieldNames{{
    {"field0", "tag", "Label1", "Tag ID", "DBEdit10", "Tag ID"},
    {"field1", "Lot", "Label26", "Lot No", "DBEdit2", "Lot No"},
    {"field2", "Alpha", "Label2", "Alpha", "DBEdit3", "Alpha"},
    {"field3", "Bravo", "Label3", "Bravo", "DBEdit4", "Bravo"},
    {"field4", "Charly", "Label4", "Charly", "DBEdit5", "Charly"},
    {"field5", "Date_", "Label5", "Date", "DBEdit6", "Date"},
    {"field6", "Time_", "Label7", "Time", "DBEdit7", "Time"},
    {"field7", "Flagged", "Box1", "Flagged", "DBEdit8", "Flagged"},
    {"field8", "Comment", "Label6", "Comment", "DBEdit9", "Comment"},
    {"field9", nullptr, nullptr, "", "DBEdit11", "Country Code"},
}};

inline constexpr int kAppliedUserFieldNames = 9; // field0 to field8

// Reads field0 to field8 of the settings row as text and makes each the display label of its
// readings field (the grid title; an empty name shows the field's own name). Returns the names
// in the order of kUserFieldNames, for the captions. tblc must be open.
std::array<QString, kAppliedUserFieldNames> applyUserFieldNames(const Table& tblc, Table& tbld);

} // namespace px708
