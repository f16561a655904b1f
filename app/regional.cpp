#include "regional.h"

namespace px708 {

std::string buildShortDatePattern(int dateOrder, std::string_view separator,
                                  std::string_view current) {
    std::string sep(separator);
    if (dateOrder == 0)
        return "dd" + sep + "MM" + sep + "yyyy";
    if (dateOrder == 1)
        return "MM" + sep + "dd" + sep + "yyyy";
    return std::string(current);
}

} // namespace px708
