#include "dataaccess/SqlText.h"

namespace tarrow {

void TSqlLines::SetText(std::string_view text)
{
    lines_.clear();
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines_.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    // A text that ends with a line break has no empty last line.
    if (start < text.size()) lines_.emplace_back(text.substr(start));
    Changed();
}

void TSqlLines::Add(std::string_view line)
{
    lines_.emplace_back(line);
    Changed();
}

void TSqlLines::Clear()
{
    lines_.clear();
    Changed();
}

std::string TSqlLines::Text() const
{
    std::string text;
    for (const auto& line : lines_) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void TSqlLines::Changed()
{
    if (onChange_) onChange_();
}

std::string TrimTrailingControls(std::string text)
{
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.pop_back();
    return text;
}

std::string SentText(const TSqlLines& lines) { return TrimTrailingControls(lines.Text()); }

}  // namespace tarrow
