#include "app/config/IniDocument.h"

#include <vector>

namespace velmora {
namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view trim(std::string_view s) {
  const auto first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// One line of the document, as byte offsets into the content.
struct Line {
  enum Kind { Other, Section, Key } kind = Other;
  std::size_t begin = 0;       // first byte of the line
  std::size_t end = 0;         // one past the last byte, line ending excluded
  std::size_t next = 0;        // first byte of the next line
  std::string_view name;       // section or key name, trimmed
  std::size_t valueBegin = 0;  // value bytes, trimmed (Key lines)
  std::size_t valueEnd = 0;
};

std::vector<Line> splitLines(std::string_view content) {
  std::vector<Line> lines;
  std::size_t pos = content.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0;
  while (pos < content.size()) {
    Line line;
    line.begin = pos;
    const auto newline = content.find('\n', pos);
    line.next = newline == std::string_view::npos ? content.size() : newline + 1;
    line.end = newline == std::string_view::npos ? content.size() : newline;
    if (line.end > line.begin && content[line.end - 1] == '\r') --line.end;
    const std::string_view raw = content.substr(line.begin, line.end - line.begin);
    const std::string_view text = trim(raw);
    if (text.starts_with('[')) {
      line.kind = Line::Section;
      const auto close = text.find(']');
      line.name = trim(text.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    } else if (!text.empty() && text.front() != ';') {
      const auto eq = raw.find('=');
      if (eq != std::string_view::npos) {
        line.kind = Line::Key;
        line.name = trim(raw.substr(0, eq));
        const std::string_view rawValue = raw.substr(eq + 1);
        const std::string_view value = trim(rawValue);
        line.valueBegin = line.begin + eq + 1 + (value.empty() ? 0 : value.data() - rawValue.data());
        line.valueEnd = line.valueBegin + value.size();
      }
    }
    lines.push_back(line);
    pos = line.next;
  }
  return lines;
}

// Where a section's lines lie: its header and the lines up to the next header.
struct SectionSpan {
  std::size_t header = 0;
  std::size_t endLine = 0;  // index of the next header, or the line count
};

std::optional<SectionSpan> findSection(const std::vector<Line>& lines, std::string_view section) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind != Line::Section || !sameName(lines[i].name, section)) continue;
    std::size_t end = i + 1;
    while (end < lines.size() && lines[end].kind != Line::Section) ++end;
    return SectionSpan{i, end};
  }
  return std::nullopt;
}

const Line* findKey(const std::vector<Line>& lines, const SectionSpan& span, std::string_view key) {
  for (std::size_t i = span.header + 1; i < span.endLine; ++i) {
    if (lines[i].kind == Line::Key && sameName(lines[i].name, key)) return &lines[i];
  }
  return nullptr;
}

bool holdsLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

std::optional<Text> IniDocument::value(std::string_view section, std::string_view key) const {
  const auto lines = splitLines(content_);
  const auto span = findSection(lines, trim(section));
  if (!span) return std::nullopt;
  const Line* line = findKey(lines, *span, trim(key));
  if (!line) return std::nullopt;
  return content_.substr(line->valueBegin, line->valueEnd - line->valueBegin);
}

std::string_view IniDocument::lineEnding() const {
  const auto newline = content_.find('\n');
  if (newline == std::string::npos || (newline > 0 && content_[newline - 1] == '\r')) return "\r\n";
  return "\n";
}

bool IniDocument::setValue(std::string_view section, std::string_view key, std::string_view value) {
  section = trim(section);
  key = trim(key);
  if (section.empty() || key.empty()) return false;
  if (holdsLineBreak(section) || holdsLineBreak(key) || holdsLineBreak(value)) return false;
  if (section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos ||
      key.front() == ';' || key.front() == '[')
    return false;

  const auto lines = splitLines(content_);
  const std::string eol(lineEnding());
  const auto span = findSection(lines, section);
  if (!span) {
    std::string addition;
    if (!content_.empty() && content_.back() != '\n') addition += eol;
    addition.append("[").append(section).append("]").append(eol);
    addition.append(key).append("=").append(value).append(eol);
    content_ += addition;
    return true;
  }
  if (const Line* line = findKey(lines, *span, key)) {
    content_.replace(line->valueBegin, line->valueEnd - line->valueBegin, value);
    return true;
  }
  // A new key goes after the last line of the section that is not blank.
  std::size_t last = span->header;
  for (std::size_t i = span->header + 1; i < span->endLine; ++i) {
    if (!trim(std::string_view(content_).substr(lines[i].begin, lines[i].end - lines[i].begin)).empty()) last = i;
  }
  std::string addition;
  std::size_t at = lines[last].next;
  if (lines[last].next == lines[last].end) addition += eol;  // the last line had no line ending
  addition.append(key).append("=").append(value).append(eol);
  content_.insert(at, addition);
  return true;
}

}  // namespace velmora
