#pragma once

namespace px708 {

// State of the character trace and the dispatch log, or a command to them.
enum class TTraceLogState { tlOff, tlOn, tlDump, tlAppend, tlClear, tlPause };

} // namespace px708
