#include "sim/simreceiver.h"

#include "sim/simreader.h"

namespace px708::sim {

void Receiver::feed(std::string_view bytes, Clock::time_point at, std::vector<Received>& out) {
    for (const char c : bytes) {
        const bool tooSoon = minGap_.count() > 0 && any_ && at - last_ < minGap_;
        any_ = true;
        last_ = at;
        if (tooSoon) {
            out.push_back({Received::Kind::Lost, std::string(1, c)});
            continue;
        }
        switch (c) {
        case kEnq:
            out.push_back({Received::Kind::Enq, {}});
            break;
        case kModeMarker:
            pending_.assign(1, c);
            break;
        case '\r':
        case '\n':
            if (!pending_.empty())
                out.push_back({Received::Kind::Command, std::move(pending_)});
            pending_.clear();
            break;
        default:
            // An overlong command is cut; what is left is malformed and gets its refusal.
            if (pending_.size() < kMaxCommand)
                pending_ += c;
            break;
        }
    }
}

void Receiver::reset() {
    pending_.clear();
}

} // namespace px708::sim
