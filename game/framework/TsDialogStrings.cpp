#include "game/framework/TsDialogStrings.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "game/framework/TsLog.h"
#include "platform/FilePath.h"

namespace {

constexpr int kHeaderLines = 2;
constexpr int kFieldCount = 5;

// One whole line of any length, without its line feed and carriage return.
bool ReadLine(std::FILE* file, std::string& line)
{
    line.clear();
    char buffer[4096];
    bool any = false;
    while (std::fgets(buffer, sizeof buffer, file)) {
        any = true;
        line += buffer;
        if (!line.empty() && line.back() == '\n')
            break;
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return any;
}

// The first five tab-separated fields; missing ones are empty.
void SplitFields(std::string_view line, std::string_view (&fields)[kFieldCount])
{
    for (std::string_view& field : fields) {
        const std::size_t tab = line.find('\t');
        field = line.substr(0, tab);
        line = tab == std::string_view::npos ? std::string_view() : line.substr(tab + 1);
    }
}

// A plain decimal number in 0..max, nothing else; -1 otherwise.
int32_t ParseId(std::string_view field, int32_t max)
{
    if (field.empty())
        return -1;
    int64_t value = 0;
    for (char c : field) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
        if (value > max)
            return -1;
    }
    return static_cast<int32_t>(value);
}

// The arrays grow in small fixed steps; a table of thousands of rows would
// copy itself thousands of times, so room is doubled ahead instead.
template <class T>
void GrowFor(OmArray<T>& array, uint32_t count)
{
    if (count > array.GetCapacity())
        array.Reserve(std::max(count, array.GetCapacity() * 2));
}

} // namespace

TsDialogStrings::TsDialogStrings() = default;

TsDialogStrings::TsDialogStrings(const char* gamePath)
{
    Load(gamePath);
}

void TsDialogStrings::Clear()
{
    m_rowOfId.Construct(0, 64);
    m_rows.Construct(0, 64);
}

bool TsDialogStrings::Load(const char* gamePath)
{
    Clear();
    std::FILE* file = gamePath ? plat::OpenFile(gamePath, "rb") : nullptr;
    if (!file) {
        LogErrorF("TsDialogStrings: could not open %s", gamePath ? gamePath : "(no file)");
        return false;
    }
    std::string line;
    int lineNumber = 0;
    while (ReadLine(file, line)) {
        ++lineNumber;
        if (lineNumber <= kHeaderLines)
            continue;
        if (line.empty())
            break;
        AddLine(line.c_str(), lineNumber);
    }
    std::fclose(file);
    return true;
}

// One row from one line; a line without a usable id is reported and
// skipped rather than shifting every row after it.
bool TsDialogStrings::AddLine(const char* line, int lineNumber)
{
    std::string_view fields[kFieldCount];
    SplitFields(line, fields);
    const int32_t id = ParseId(fields[0], kMaxId);
    if (id < 0) {
        LogErrorF("TsDialogStrings: line %d: \"%.*s\" is not an id from 0 to %d", lineNumber,
                  static_cast<int>(std::min<std::size_t>(fields[0].size(), 40)), fields[0].data(), kMaxId);
        return false;
    }
    std::string text(fields[4]);
    Row row;
    const std::size_t open = text.find('<');
    const std::size_t close = open == std::string::npos ? open : text.find('>', open + 1);
    if (close != std::string::npos) {
        row.diaryText = text.substr(open + 1, close - open - 1).c_str();
        std::erase_if(text, [](char c) { return c == '<' || c == '>'; });
    }
    std::replace(text.begin(), text.end(), '^', '\n');
    row.displayText = text.c_str();
    if (!fields[1].empty())
        row.audioFile = std::string(fields[1]).c_str();

    const int32_t r = static_cast<int32_t>(m_rows.GetCount());
    GrowFor(m_rows, m_rows.GetCount() + 1);
    m_rows.Add(row);
    const uint32_t before = m_rowOfId.GetCount();
    if (static_cast<uint32_t>(id) >= before) {
        GrowFor(m_rowOfId, static_cast<uint32_t>(id) + 1);
        m_rowOfId.Resize(static_cast<uint32_t>(id) + 1);
        for (uint32_t i = before; i < m_rowOfId.GetCount(); ++i)
            m_rowOfId[i] = -1;
    }
    m_rowOfId[static_cast<uint32_t>(id)] = r;
    return true;
}

const TsDialogStrings::Row* TsDialogStrings::RowOf(DialogStringId id) const
{
    if (id < 0 || static_cast<uint32_t>(id) >= m_rowOfId.GetCount())
        return nullptr;
    const int32_t r = m_rowOfId[static_cast<uint32_t>(id)];
    return r < 0 ? nullptr : m_rows.At(static_cast<uint32_t>(r));
}

const char* TsDialogStrings::GetString(DialogStringId id) const
{
    const Row* row = RowOf(id);
    return row ? row->displayText.Get() : nullptr;
}

const char* TsDialogStrings::GetAudioFile(DialogStringId id) const
{
    const Row* row = RowOf(id);
    return row ? row->audioFile.Get() : nullptr;
}

const char* TsDialogStrings::GetDiaryText(DialogStringId id) const
{
    const Row* row = RowOf(id);
    return row ? row->diaryText.Get() : nullptr;
}
