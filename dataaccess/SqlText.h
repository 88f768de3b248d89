#pragma once
// Statement text as a list of lines, the way the components hold it, and the form it is sent in.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarrow {

class TSqlLines {
public:
    TSqlLines() = default;
    TSqlLines(const TSqlLines&) = delete;
    TSqlLines& operator=(const TSqlLines&) = delete;

    // Replaces the lines; the text is split at CR LF, at a lone CR and at a lone LF. Every
    // assignment is a change, also of the same text.
    void SetText(std::string_view text);
    void Add(std::string_view line);
    void Clear();

    int Count() const noexcept { return static_cast<int>(lines_.size()); }
    const std::string& operator[](int index) const { return lines_.at(static_cast<std::size_t>(index)); }

    // Every line followed by CR LF.
    std::string Text() const;

    // Called after every change (the owning component closes and rescans).
    void SetOnChange(std::function<void()> handler) { onChange_ = std::move(handler); }

private:
    void Changed();

    std::vector<std::string> lines_;
    std::function<void()> onChange_;
};

// The lines joined with CR LF, less every trailing character whose code is 32 or less.
std::string SentText(const TSqlLines& lines);
std::string TrimTrailingControls(std::string text);

}  // namespace tarrow
