#pragma once
// A window stand-in for the fuzz targets: keeps what the link writes, bounded, so that a long
// input cannot grow memory without end, and reads back the edits' texts.

#include "link/linkview.h"

#include <map>
#include <string>

namespace px708::fuzz {

class NullView : public LinkView {
public:
    void appendLine(std::string_view memo, const std::string& line) override {
        std::string& m = memos[std::string(memo)];
        if (m.size() > 1 << 16)
            m.clear();
        m += line;
        m += '\n';
    }
    void setRadioIndex(std::string_view group, int index) override {
        radios[std::string(group)] = index;
    }
    void setCaption(std::string_view label, const std::string& text) override {
        captions[std::string(label)] = text;
    }
    void setText(std::string_view edit, const std::string& text) override {
        edits[std::string(edit)] = text.substr(0, 1 << 12);
    }
    std::string text(std::string_view edit) const override {
        const auto it = edits.find(std::string(edit));
        return it == edits.end() ? std::string() : it->second;
    }
    void showMessage(const std::string&) override {}
    void messageBox(const std::string&) override {}
    void setWaitCursor() override {}
    void restoreCursor() override {}

    std::map<std::string, std::string> memos;
    std::map<std::string, int> radios;
    std::map<std::string, std::string> captions;
    std::map<std::string, std::string> edits;
};

} // namespace px708::fuzz
