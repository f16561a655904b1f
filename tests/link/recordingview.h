#pragma once
// A window stand-in for the link tests: it records every call as one readable event and keeps
// the texts of edits, so that tests can compare what the link did with what the reader said.

#include "link/flows.h"
#include "link/linkview.h"

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace px708::test {

// A record line: lot 01, code 0123456789, 15/04/2023 (a Saturday), 14:30:05, 00, type 4,
// country code 3E7.
inline const std::string kRecord = "01"
                                   "0123456789"
                                   "230415"
                                   "06"
                                   "143005"
                                   "00"
                                   "4"
                                   "3E7";

inline const char* flowName(Flow f) {
    switch (f) {
    case Flow::do_datetime:
        return "do_datetime";
    case Flow::dumpRecord:
        return "dumpRecord";
    case Flow::tableRecord:
        return "tableRecord";
    case Flow::tableDownloadCompleted:
        return "tableDownloadCompleted";
    case Flow::do_download:
        return "do_download";
    case Flow::do_csv_download:
        return "do_csv_download";
    case Flow::keylotSelected:
        return "keylotSelected";
    case Flow::seekModeSet:
        return "seekModeSet";
    }
    return "?";
}

class RecordingView : public LinkView {
public:
    void appendLine(std::string_view memo, const std::string& line) override {
        memos[std::string(memo)].push_back(line);
        if (memo != "Memo1")
            events.push_back("memo " + std::string(memo) + " " + line);
    }
    void setRadioIndex(std::string_view group, int index) override {
        events.push_back("radio " + std::string(group) + " " + std::to_string(index));
    }
    void setCaption(std::string_view label, const std::string& text) override {
        captions[std::string(label)].push_back(text);
        events.push_back("caption " + std::string(label) + " " + text);
    }
    void setText(std::string_view edit, const std::string& text) override {
        edits[std::string(edit)] = text;
        events.push_back("text " + std::string(edit) + " " + text);
    }
    std::string text(std::string_view edit) const override {
        const auto it = edits.find(std::string(edit));
        return it == edits.end() ? std::string() : it->second;
    }
    void showMessage(const std::string& text) override {
        events.push_back("message " + text);
        if (onMessage)
            onMessage();
    }
    void messageBox(const std::string& text) override { events.push_back("box " + text); }
    void setWaitCursor() override { events.push_back("cursor wait"); }
    void restoreCursor() override { events.push_back("cursor default"); }
    // Registers a handler for every flow that records the run as an event, then calls onFlow.
    void recordFlows(FlowTable& table) {
        for (const Flow flow : kAllFlows)
            table.set(flow, [this, flow](const std::string& line) {
                events.push_back(std::string("flow ") + flowName(flow) + " " + line);
                if (onFlow)
                    onFlow(flow, line);
            });
    }

    std::vector<std::string> lines(const std::string& memo) const {
        const auto it = memos.find(memo);
        return it == memos.end() ? std::vector<std::string>{} : it->second;
    }

    std::vector<std::string> events; // everything but the echo into Memo1
    std::map<std::string, std::vector<std::string>> memos;
    std::map<std::string, std::vector<std::string>> captions;
    std::map<std::string, std::string> edits;
    std::function<void(Flow, const std::string&)> onFlow;
    std::function<void()> onMessage; // stands in for the modal dialog's own event loop
};

} // namespace px708::test
