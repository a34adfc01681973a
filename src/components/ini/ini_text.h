#pragma once
// The INI syntax as the Windows private-profile functions read it, on 8-bit text:
// - a header is a line that, without surrounding blanks and tabs, begins with "[" and holds
//   a "]"; the name is the text up to the last "]", blanks and tabs trimmed (matched with
//   ASCII case ignored); the first of duplicate sections answers;
// - a UTF-8 byte-order mark at the start of the file is no part of the first line and stays;
// - the lines after a header, up to the next line beginning with "[", belong to it;
// - an entry is key=value (first "="), key and value trimmed; the first of duplicate keys
//   answers; a line whose first non-blank is ";" is a comment;
// - CR LF or LF line ends; the last line may lack one.
// Edits return the whole new content; lines an edit does not concern keep their bytes,
// lines it writes end with CR LF.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/text.h"

namespace blenvar::ini {

enum class LineKind : std::uint8_t { Blank, Comment, Header, BadHeader, Entry, Other };

struct Line {
    std::size_t begin = 0;       // offset of the text in the content
    std::size_t length = 0;      // text without the line end
    std::uint8_t eolLength = 0;  // 0, 1 (LF) or 2 (CR LF)
    LineKind kind = LineKind::Other;
    // Entry: trimmed key and value; Header: the trimmed name.
    std::size_t nameBegin = 0, nameLength = 0;
    std::size_t valueBegin = 0, valueLength = 0;

    std::size_t End() const { return begin + length + eolLength; }
};

struct SectionSpan {
    std::size_t header = 0;  // line index of the header
    std::size_t end = 0;     // one past its last content line
};

class Document {
  public:
    explicit Document(std::string content);
    // Holds views into its own content: neither copied nor moved.
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    const std::string& Content() const { return content_; }

    std::optional<std::string_view> Value(std::string_view section, std::string_view key) const;
    // The section's entries as "key=value" each followed by one NUL; "" when it is missing
    // or empty. Entries holding a NUL byte cannot be told apart in this form and are left out.
    std::string SectionText(std::string_view section) const;
    // Every header's name, in file order.
    std::vector<std::string> SectionNames() const;

    // Edits. The caller has checked the texts (no line breaks or NULs, usable key).
    std::string WithValue(std::string_view section, std::string_view key,
                          std::string_view value) const;
    // Replaces the entries of the section by the given lines (in place of its first entry);
    // comments and other lines of the section stay.
    std::string WithSection(std::string_view section,
                            const std::vector<std::string_view>& items) const;
    // nullopt: the section is missing, has no entries or lacks the key.
    std::optional<std::string> WithoutValue(std::string_view section, std::string_view key) const;
    // nullopt: the section is missing or has no entries.
    std::optional<std::string> WithoutSection(std::string_view section) const;

  private:
    // Marks every copy of the section, header and lines, for dropping.
    void DropSection(std::string_view section, std::vector<bool>& drop) const;
    struct NoCaseHash {
        std::size_t operator()(std::string_view s) const;
    };
    struct NoCaseEq {
        bool operator()(std::string_view a, std::string_view b) const {
            return EqualsNoCaseAscii(a, b);
        }
    };

    std::string_view Text(const Line& l) const { return {content_.data() + l.begin, l.length}; }
    std::string_view Name(const Line& l) const {
        return {content_.data() + l.nameBegin, l.nameLength};
    }
    std::string_view ValueOf(const Line& l) const {
        return {content_.data() + l.valueBegin, l.valueLength};
    }
    const SectionSpan* Find(std::string_view section) const;
    const Line* FindEntry(const SectionSpan& s, std::string_view key) const;
    bool HasEntries(const SectionSpan& s) const;
    // Content up to the end of line i, with a CR LF added when that line lacks an end.
    void AppendThrough(std::string& out, std::size_t i) const;
    void AppendLine(std::string& out, std::size_t i) const;
    // The content without the lines marked.
    std::string Keeping(const std::vector<bool>& drop) const;

    std::string content_;
    std::size_t start_ = 0;  // past a byte-order mark
    std::vector<Line> lines_;
    std::vector<SectionSpan> sections_;
    std::unordered_map<std::string_view, std::size_t, NoCaseHash, NoCaseEq> firstSection_;
};

}  // namespace blenvar::ini
