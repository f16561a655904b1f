#include "link/flows.h"

#include <utility>

namespace px708 {

FlowHandler FlowTable::set(Flow flow, FlowHandler handler) {
    FlowHandler previous;
    if (auto it = handlers_.find(flow); it != handlers_.end()) {
        previous = std::move(it->second);
        handlers_.erase(it);
    }
    if (handler)
        handlers_.emplace(flow, std::move(handler));
    return previous;
}

void FlowTable::run(Flow flow, const std::string& line) const {
    const auto it = handlers_.find(flow);
    if (it == handlers_.end())
        return;
    // A copy: the handler may replace itself while it runs.
    const FlowHandler handler = it->second;
    handler(line);
}

bool FlowTable::has(Flow flow) const {
    return handlers_.contains(flow);
}

} // namespace px708
