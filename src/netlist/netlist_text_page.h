#pragma once
// What the netlist reader and the statement writers need of a circuit's text page: its
// title, its whole text and one way to change it (a range replaced as the editor would,
// so that every edit joins the page's undo). The circuit document implements it for the
// text page of a text circuit; StringTextPage serves texts that live in memory.

#include <string>

namespace ob7 {

class NetlistTextPage {
public:
    virtual ~NetlistTextPage() = default;
    // The window title: the name that "File:" lines of messages show.
    virtual std::string Title() const = 0;
    virtual const std::string& Text() const = 0;
    // Replaces the bytes [begin, end) of the text.
    virtual void Replace(size_t begin, size_t end, const std::string& text) = 0;
};

class StringTextPage : public NetlistTextPage {
public:
    StringTextPage(std::string title, std::string text) : title_(std::move(title)), text_(std::move(text)) {}
    std::string Title() const override { return title_; }
    const std::string& Text() const override { return text_; }
    void Replace(size_t begin, size_t end, const std::string& text) override {
        if (begin > text_.size()) begin = text_.size();
        if (end > text_.size()) end = text_.size();
        if (end < begin) end = begin;
        text_.replace(begin, end - begin, text);
    }

private:
    std::string title_;
    std::string text_;
};

}  // namespace ob7
