#include "circuit/text_find.h"

#include "foundation/char_classes.h"
#include "foundation/messages.h"
#include "libraries/library_text.h"

#include <algorithm>

namespace ob7 {

TextSearchState TextSearch;
FindResultRecord FindResult;
CRecentList SearchHistory(10, "SEARCHTEXT_");
CRecentList ReplaceHistory(10, "REPLACETEXT_");

int SerializeSearchHistory(Profile& profile)
{
    return SearchHistory.Serialize(profile);
}

int SerializeReplaceHistory(Profile& profile)
{
    return ReplaceHistory.Serialize(profile);
}

void TakeSelectionAsSearchText(const std::string& text, const TextSelection& selection)
{
    size_t start = std::min({selection.start, selection.end, text.size()});
    size_t end = std::min(std::max(selection.start, selection.end), text.size());
    if (end > start)
        TextSearch.search = text.substr(start, std::min(end - start, kMaxSearchText));
}

void RememberSearchTexts(const std::string& search, const std::string* replacement)
{
    TextSearch.search = search.substr(0, kMaxSearchText);
    SearchHistory.AddToTop(TextSearch.search.c_str());
    if (replacement) {
        TextSearch.replacement = replacement->substr(0, kMaxSearchText);
        ReplaceHistory.AddToTop(TextSearch.replacement.c_str());
    }
}

namespace {

constexpr int kMsgNoItemsFound = 15049;

bool IsIdentChar(const std::string& text, size_t i)
{
    return i < text.size() && HasClass(text[i], kCcIdentChar);
}

bool SameNoCase(char a, char b)
{
    return ToUpperAscii(static_cast<unsigned char>(a)) == ToUpperAscii(static_cast<unsigned char>(b));
}

std::string TrimBlanks(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return std::string();
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

bool IsCommentStart(const std::string& s)
{
    return !s.empty() && (s[0] == '*' || s[0] == ';');
}

}  // namespace

size_t FindTextMatch(const std::string& text, size_t from, const std::string& search, bool wholeWord)
{
    if (search.empty() || search.size() > text.size())
        return std::string::npos;
    for (size_t i = from; i + search.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < search.size() && SameNoCase(text[i + k], search[k]))
            ++k;
        if (k < search.size())
            continue;
        if (wholeWord && ((i > 0 && IsIdentChar(text, i - 1)) || IsIdentChar(text, i + search.size())))
            continue;
        return i;
    }
    return std::string::npos;
}

int FindNextInText(std::string& text, TextSelection& selection, const std::string& search,
                   const std::string* replacement, bool wholeWord, bool reportNotFound)
{
    size_t from = replacement ? std::min(selection.start, selection.end) : std::max(selection.start, selection.end);
    from = std::min(from, text.size());
    size_t n = FindTextMatch(text, from, search, wholeWord);
    if (n == std::string::npos && from != 0)
        n = FindTextMatch(text, 0, search, wholeWord);
    if (n == std::string::npos) {
        if (reportNotFound)
            ReportMessage("E", kMsgNoItemsFound);
        return kFindNotFound;
    }
    selection.start = n;
    selection.end = n + search.size();
    if (replacement && n == from) {
        text.replace(n, search.size(), *replacement);
        selection.start = selection.end = n + replacement->size();
        FindNextInText(text, selection, search, nullptr, wholeWord, false);
    }
    return kFindFound;
}

int ReplaceAllInText(std::string& text, const std::string& search, const std::string& replacement, bool wholeWord)
{
    int count = 0;
    std::string out;
    size_t copied = 0;
    for (size_t n = FindTextMatch(text, 0, search, wholeWord); n != std::string::npos;
         n = FindTextMatch(text, n + search.size(), search, wholeWord)) {
        out.append(text, copied, n - copied);
        out += replacement;
        copied = n + search.size();
        ++count;
    }
    if (count) {
        out.append(text, copied, std::string::npos);
        text.swap(out);
    }
    return count;
}

std::string ReplaceAllStatusText(int count)
{
    return std::to_string(count) + " occurrences changed.";
}

TextSelection SelectLogicalLine(const std::string& text, int line)
{
    TextLines lines(text);
    int start = line;
    for (int i = line; i > 1; --i) {
        std::string l = lines.Line(i).substr(0, 439);
        if (l.empty())
            break;
        if (l[0] == '+') {
            if (!IsCommentStart(TrimBlanks(l.substr(1))))
                start = i - 1;
        } else if (!IsCommentStart(l)) {
            break;
        }
    }
    int end = line;
    for (int i = line + 1; i < lines.Count(); ++i) {
        std::string l = TrimBlanks(lines.Line(i).substr(0, 439));
        if (l.empty())
            break;
        if (l[0] == '+') {
            if (!IsCommentStart(TrimBlanks(l.substr(1))))
                end = i;
        } else if (!IsCommentStart(l)) {
            break;
        }
    }
    TextSelection s;
    s.start = lines.Start(start);
    s.end = lines.Start(end) + lines.Line(end).size();
    return s;
}

}  // namespace ob7
