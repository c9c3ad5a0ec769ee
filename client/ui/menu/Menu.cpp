// Menu descriptions read from the protocol, and the grid layout.
#include "client/ui/menu/Menu.h"

#include <algorithm>
#include <cstdio>

#include "common/fields.h"
#include "common/numbers.h"
#include "common/utf8.h"

int Menu::gridColumns() const { return std::clamp(columns, 1, std::max(count(), 1)); }

int Menu::gridRows() const
{
    const int c = gridColumns();
    return (count() + c - 1) / c;
}

int Menu::lineCount() const { return grid() ? gridRows() * gridColumns() : count(); }

int Menu::lineOf(int index) const
{
    if (!grid()) return index;
    const int c = gridColumns();
    return (index % c) * gridRows() + index / c;
}

int Menu::itemAtLine(int line) const
{
    if (line < 0 || line >= lineCount()) return -1;
    if (!grid()) return line;
    const int r = gridRows();
    const int index = (line % r) * gridColumns() + line / r;
    return index < count() ? index : -1;
}

namespace {

std::string_view orEmpty(std::string_view field) { return field == "null" ? std::string_view() : field; }

// A palette index: a signed 8-bit value, as a char would hold it.
int signedByte(std::string_view text) { return static_cast<std::int8_t>(static_cast<std::uint8_t>(common::readLong(text))); }

// The views of the fields of the text, empty ones kept.
std::vector<std::string_view> fieldsOf(std::string_view text)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(common::kFieldSeparator, start);
        fields.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return fields;
        start = end + 1;
    }
}

std::string_view fieldAt(const std::vector<std::string_view>& fields, std::size_t i)
{
    return i < fields.size() ? fields[i] : std::string_view();
}

} // namespace

MenuItem makeMenuItem(std::string_view text, std::string_view tag, std::string_view sound, std::string_view options)
{
    MenuItem item;
    item.text = common::utf8ToWide(text);
    item.tag = common::utf8ToWide(orEmpty(tag));
    item.sound = common::utf8ToWide(orEmpty(sound));
    options = orEmpty(options);
    std::size_t start = 0;
    while (start < options.size()) {
        std::size_t end = options.find(' ', start);
        if (end == std::string_view::npos) end = options.size();
        const std::string_view part = options.substr(start, end - start);
        if (!part.empty()) {
            const std::string_view rest = part.substr(1);
            switch (part[0]) {
            case '#': item.textColor = signedByte(rest); break;
            case '_': item.backColor = signedByte(rest); break;
            case '@': item.image = common::utf8ToWide(rest); break;
            default: break;
            }
        }
        start = end + 1;
    }
    return item;
}

void parseMenuDescription(std::string_view text, Menu& menu)
{
    const std::vector<std::string_view> f = fieldsOf(text);
    menu.id = common::readLong(fieldAt(f, 0));
    menu.columns = std::max(1, static_cast<int>(common::readLong(fieldAt(f, 1))));
    const long count = common::readLong(fieldAt(f, 2));
    menu.selected = common::readLong(fieldAt(f, 3));
    menu.flags = static_cast<std::uint32_t>(common::readLong(fieldAt(f, 4)));
    const std::string cell(fieldAt(f, 5));
    if (!cell.empty() && cell[0] == ':') {
        short x = static_cast<short>(menu.cellAspectX), y = static_cast<short>(menu.cellAspectY);
        std::sscanf(cell.c_str(), ":%hd:%hd", &x, &y);
        menu.cellAspectX = x;
        menu.cellAspectY = y;
    }
    // Only the groups whose text arrived are built; fields missing at the
    // end of the last one are empty.
    constexpr std::size_t kFirst = 6;
    const std::size_t received = f.size() > kFirst ? (f.size() - kFirst + 3) / 4 : 0;
    const std::size_t n = count > 0 ? std::min(static_cast<std::size_t>(count), received) : 0;
    menu.items.clear();
    menu.items.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t at = kFirst + 4 * i;
        menu.items.push_back(makeMenuItem(f[at], fieldAt(f, at + 1), fieldAt(f, at + 2), fieldAt(f, at + 3)));
    }
}

MenuItemChange parseMenuItemChange(std::string_view text)
{
    const std::vector<std::string_view> f = fieldsOf(text);
    MenuItemChange change;
    change.index = common::readLong(fieldAt(f, 0));
    change.item = makeMenuItem(fieldAt(f, 1), fieldAt(f, 2), fieldAt(f, 3), fieldAt(f, 4));
    return change;
}

CellSize gridCellSize(int width, int height, const Menu& menu)
{
    const long long c = menu.gridColumns(), r = std::max(menu.gridRows(), 1);
    const long long x = menu.cellAspectX == 0 ? 1 : menu.cellAspectX;
    const long long y = menu.cellAspectY == 0 ? 1 : menu.cellAspectY;
    const auto fits = [&](long long w, long long h) { return w > 0 && h > 0 && w * c <= width && h * r <= height; };
    long long w = width / c, h = w * y / x;
    if (fits(w, h)) return {static_cast<int>(w), static_cast<int>(h)};
    h = height / r;
    w = h * x / y;
    if (fits(w, h)) return {static_cast<int>(w), static_cast<int>(h)};
    return {1, 1};
}
