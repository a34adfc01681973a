#include "components/ini/ini_text.h"

#include <algorithm>
#include <cstring>

namespace blenvar::ini {
namespace {

// Makes sure what follows starts on a line of its own.
void EndOpenLine(std::string& out) {
    if (!out.empty() && out.back() != '\n') out += "\r\n";
}

void AppendWritten(std::string& out, std::string_view text) {
    EndOpenLine(out);
    out += text;
    out += "\r\n";
}

// The whole file with a new section header appended at its end; a file holding nothing
// but a byte-order mark gets the header right after it.
std::string WithNewHeader(const std::string& content, std::size_t start,
                          std::string_view trimmedSection) {
    std::string out = content;
    std::string header = "[";
    header.append(trimmedSection).append(1, ']');
    if (out.size() == start) {
        out.append(header).append("\r\n");
    } else {
        AppendWritten(out, header);
    }
    return out;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

std::size_t Document::NoCaseHash::operator()(std::string_view s) const {
    std::uint64_t h = 1469598103934665603ull;
    for (char c : s) {
        h ^= static_cast<unsigned char>(LowerAscii(c));
        h *= 1099511628211ull;
    }
    return static_cast<std::size_t>(h);
}

Document::Document(std::string content)
    : content_(std::move(content)),
      start_(content_.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0) {
    const char* data = content_.data();
    const std::size_t size = content_.size();
    std::size_t pos = start_;
    bool inSection = false;
    lines_.reserve(static_cast<std::size_t>(std::count(content_.begin(), content_.end(), '\n')) +
                   1);
    while (pos < size) {
        const void* nl = std::memchr(data + pos, '\n', size - pos);
        Line line;
        line.begin = pos;
        if (nl) {
            std::size_t at = static_cast<std::size_t>(static_cast<const char*>(nl) - data);
            line.length = at - pos;
            line.eolLength = 1;
            if (line.length > 0 && data[at - 1] == '\r') {
                --line.length;
                line.eolLength = 2;
            }
        } else {
            line.length = size - pos;
        }
        pos = line.End();

        std::string_view text(data + line.begin, line.length);
        std::string_view t = Trim(text, kBlanks);
        if (t.empty()) {
            line.kind = LineKind::Blank;
        } else if (t.front() == ';') {
            line.kind = LineKind::Comment;
        } else if (t.front() == '[') {
            // As the platform reads it: the name ends at the line's last "]", so a comment
            // after the header doesn't hide the section.
            if (std::size_t close = t.rfind(']'); close != std::string_view::npos && close > 0) {
                line.kind = LineKind::Header;
                std::string_view name = Trim(t.substr(1, close - 1), kBlanks);
                line.nameBegin = static_cast<std::size_t>(name.data() - data);
                line.nameLength = name.size();
            } else {
                line.kind = LineKind::BadHeader;
            }
        } else if (std::size_t eq = t.find('='); eq != std::string_view::npos) {
            line.kind = LineKind::Entry;
            std::string_view k = Trim(t.substr(0, eq), kBlanks);
            std::string_view v = Trim(t.substr(eq + 1), kBlanks);
            line.nameBegin = static_cast<std::size_t>(k.data() - data);
            line.nameLength = k.size();
            line.valueBegin = static_cast<std::size_t>(v.data() - data);
            line.valueLength = v.size();
        } else {
            line.kind = LineKind::Other;
        }

        const std::size_t index = lines_.size();
        if (line.kind == LineKind::Header || line.kind == LineKind::BadHeader) {
            if (inSection) sections_.back().end = index;
            inSection = line.kind == LineKind::Header;
            if (inSection) sections_.push_back(SectionSpan{index, index + 1});
        }
        lines_.push_back(line);
    }
    if (inSection) sections_.back().end = lines_.size();
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        firstSection_.emplace(Name(lines_[sections_[i].header]), i);
    }
}

const SectionSpan* Document::Find(std::string_view section) const {
    auto it = firstSection_.find(Trim(section, kBlanks));
    return it == firstSection_.end() ? nullptr : &sections_[it->second];
}

const Line* Document::FindEntry(const SectionSpan& s, std::string_view key) const {
    std::string_view k = Trim(key, kBlanks);
    if (k.empty()) return nullptr;
    for (std::size_t i = s.header + 1; i < s.end; ++i) {
        const Line& l = lines_[i];
        if (l.kind == LineKind::Entry && EqualsNoCaseAscii(Name(l), k)) return &l;
    }
    return nullptr;
}

bool Document::HasEntries(const SectionSpan& s) const {
    for (std::size_t i = s.header + 1; i < s.end; ++i) {
        if (lines_[i].kind == LineKind::Entry) return true;
    }
    return false;
}

void Document::AppendThrough(std::string& out, std::size_t i) const {
    out.append(content_, 0, lines_[i].End());
    EndOpenLine(out);
}

void Document::AppendLine(std::string& out, std::size_t i) const {
    out.append(content_, lines_[i].begin, lines_[i].length + lines_[i].eolLength);
}

std::string Document::Keeping(const std::vector<bool>& drop) const {
    std::string out(content_, 0, start_);
    out.reserve(content_.size());
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (!drop[i]) AppendLine(out, i);
    }
    return out;
}

std::optional<std::string_view> Document::Value(std::string_view section,
                                                std::string_view key) const {
    const SectionSpan* s = Find(section);
    if (!s) return std::nullopt;
    const Line* e = FindEntry(*s, key);
    if (!e) return std::nullopt;
    return ValueOf(*e);
}

std::string Document::SectionText(std::string_view section) const {
    std::string out;
    const SectionSpan* s = Find(section);
    if (!s) return out;
    for (std::size_t i = s->header + 1; i < s->end; ++i) {
        const Line& l = lines_[i];
        if (l.kind != LineKind::Entry) continue;
        std::string_view k = Name(l), v = ValueOf(l);
        if (k.find('\0') != std::string_view::npos || v.find('\0') != std::string_view::npos) {
            continue;
        }
        out.append(k).append(1, '=').append(v).append(1, '\0');
    }
    return out;
}

std::vector<std::string> Document::SectionNames() const {
    std::vector<std::string> names;
    names.reserve(sections_.size());
    for (const SectionSpan& s : sections_) names.emplace_back(Name(lines_[s.header]));
    return names;
}

std::string Document::WithValue(std::string_view section, std::string_view key,
                                std::string_view value) const {
    std::string entry;
    entry.append(Trim(key, kBlanks)).append(1, '=').append(value);

    std::string out;
    out.reserve(content_.size() + entry.size() + section.size() + 8);
    const SectionSpan* s = Find(section);
    if (!s) {
        out = WithNewHeader(content_, start_, Trim(section, kBlanks));
        AppendWritten(out, entry);
        return out;
    }
    if (const Line* e = FindEntry(*s, key)) {
        out.append(content_, 0, e->begin);
        AppendWritten(out, entry);
        out.append(content_, e->End(), std::string::npos);
        return out;
    }
    // A new key goes after the section's last entry, ahead of trailing blanks and comments.
    std::size_t after = s->header;
    for (std::size_t i = s->header + 1; i < s->end; ++i) {
        if (lines_[i].kind == LineKind::Entry) after = i;
    }
    AppendThrough(out, after);
    AppendWritten(out, entry);
    out.append(content_, lines_[after].End(), std::string::npos);
    return out;
}

std::string Document::WithSection(std::string_view section,
                                  const std::vector<std::string_view>& items) const {
    std::string out(content_, 0, start_);
    out.reserve(content_.size() + 64);
    auto emitItems = [&] {
        for (std::string_view item : items) AppendWritten(out, item);
    };
    const SectionSpan* s = Find(section);
    if (!s) {
        out = WithNewHeader(content_, start_, Trim(section, kBlanks));
        emitItems();
        return out;
    }
    const bool hadEntries = HasEntries(*s);
    bool placed = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const bool inside = i > s->header && i < s->end;
        if (inside && lines_[i].kind == LineKind::Entry) {
            if (!placed) emitItems();
            placed = true;
            continue;
        }
        AppendLine(out, i);
        if (i == s->header && !hadEntries) {
            emitItems();
            placed = true;
        }
    }
    return out;
}

std::optional<std::string> Document::WithoutValue(std::string_view section,
                                                  std::string_view key) const {
    const SectionSpan* s = Find(section);
    if (!s) return std::nullopt;
    std::string_view k = Trim(key, kBlanks);
    if (k.empty()) return std::nullopt;
    std::vector<bool> drop(lines_.size(), false);
    std::size_t removed = 0, kept = 0;
    for (std::size_t i = s->header + 1; i < s->end; ++i) {
        if (lines_[i].kind != LineKind::Entry) continue;
        // Every copy of the key goes, so no shadowed older value resurfaces.
        if (EqualsNoCaseAscii(Name(lines_[i]), k)) {
            drop[i] = true;
            ++removed;
        } else {
            ++kept;
        }
    }
    if (removed == 0) return std::nullopt;
    // The section's last entry takes the section with it: every copy of it, or a hidden
    // later copy would start answering with its old values.
    if (kept == 0) DropSection(section, drop);
    return Keeping(drop);
}

void Document::DropSection(std::string_view section, std::vector<bool>& drop) const {
    std::string_view name = Trim(section, kBlanks);
    for (const SectionSpan& span : sections_) {
        if (!EqualsNoCaseAscii(Name(lines_[span.header]), name)) continue;
        for (std::size_t i = span.header; i < span.end; ++i) drop[i] = true;
    }
}

std::optional<std::string> Document::WithoutSection(std::string_view section) const {
    const SectionSpan* s = Find(section);
    if (!s || !HasEntries(*s)) return std::nullopt;
    std::vector<bool> drop(lines_.size(), false);
    DropSection(section, drop);
    return Keeping(drop);
}

}  // namespace blenvar::ini
