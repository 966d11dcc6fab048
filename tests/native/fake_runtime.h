// A form run time that records every call the handlers make, in order, and
// checks the rules for handed-out texts: each is released exactly once, and
// before the next read.
#pragma once

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "forms/forms.h"

namespace fake {

inline const char* PropName(forms::Prop p) {
    switch (p) {
        case forms::Prop::Text: return "Text";
        case forms::Prop::Caption: return "Caption";
        case forms::Prop::Picture: return "Picture";
        case forms::Prop::Period: return "Period";
        case forms::Prop::Selection: return "Selection";
    }
    return "?";
}

class Runtime : public forms::Runtime {
public:
    Runtime() { forms::SetRuntime(this); }
    ~Runtime() override {
        for (char* p : outstanding_) delete[] p;
        forms::SetRuntime(nullptr);
    }

    // The controls' state.
    std::map<std::string, std::string> edit_text;  // control name -> text
    std::map<std::string, std::string> captions;   // label name -> caption
    int selection = -1;
    std::vector<std::string> items{"表情1", "表情2"};
    std::string combo_field = "表情1";  // typed text; the handlers must never look at it
    const unsigned char* picture = nullptr;
    std::size_t picture_size = 0;
    int period = 0;

    std::vector<std::string> log;
    std::vector<std::string> faults;  // broken text rules

    bool LoadWindow(const char* window) override {
        log.push_back(std::string("Load ") + window);
        return true;
    }
    char* ReadText(const char* window, const char* control, forms::Prop prop) override {
        BeforeRead();
        auto it = edit_text.find(control);
        char* t = (it == edit_text.end() || it->second.empty()) ? nullptr : HandOut(it->second);
        log.push_back(Where("ReadText", window, control, prop) + " -> " + Show(t));
        return t;
    }
    int ReadInt(const char* window, const char* control, forms::Prop prop) override {
        BeforeRead();
        log.push_back(Where("ReadInt", window, control, prop) + " -> " + std::to_string(selection));
        return selection;
    }
    void WriteText(const char* window, const char* control, forms::Prop prop,
                   const char* text) override {
        captions[control] = text ? text : "";
        log.push_back(Where("WriteText", window, control, prop) + " " + Show(text));
    }
    void WriteInt(const char* window, const char* control, forms::Prop prop, int value) override {
        period = value;
        log.push_back(Where("WriteInt", window, control, prop) + " " + std::to_string(value));
    }
    void WriteBytes(const char* window, const char* control, forms::Prop prop,
                    const unsigned char* data, std::size_t size) override {
        picture = data;
        picture_size = size;
        log.push_back(Where("WriteBytes", window, control, prop) + " " + std::to_string(size));
    }
    char* ItemText(const char* window, const char* control, int index) override {
        BeforeRead();
        char* t = (index < 0 || index >= static_cast<int>(items.size()) || items[index].empty())
                      ? nullptr
                      : HandOut(items[index]);
        log.push_back(std::string("ItemText ") + window + "/" + control + " " +
                      std::to_string(index) + " -> " + Show(t));
        return t;
    }
    void Release(char* text) override {
        log.push_back("Release " + Show(text));
        if (!text) return;
        if (!outstanding_.erase(text)) {
            faults.push_back("released a text that is not handed out (or twice)");
            return;
        }
        delete[] text;
    }

    std::size_t Outstanding() const { return outstanding_.size(); }

private:
    void BeforeRead() {
        if (!outstanding_.empty()) faults.push_back("read while a handed-out text is unreleased");
    }
    char* HandOut(const std::string& s) {
        char* p = new char[s.size() + 1];
        std::memcpy(p, s.c_str(), s.size() + 1);
        outstanding_.insert(p);
        return p;
    }
    static std::string Show(const char* t) { return t ? "\"" + std::string(t) + "\"" : "none"; }
    static std::string Where(const char* op, const char* window, const char* control,
                             forms::Prop prop) {
        return std::string(op) + " " + window + "/" + control + "." + PropName(prop);
    }
    std::set<char*> outstanding_;
};

}  // namespace fake
