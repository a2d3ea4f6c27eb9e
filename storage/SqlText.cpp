// SPDX-License-Identifier: MIT
#include "storage/SqlText.h"

#include <cctype>
#include <limits>

#include "util/StringUtility.h"

namespace sqltext {

std::string quoted(std::string value) {
    return "'" + StringUtility::replaceAll(value, "'", "''") + "'";
}

std::string prefixCondition(const std::string& column, const std::string& prefix) {
    std::string bound = prefix;
    while (!bound.empty() && static_cast<unsigned char>(bound.back()) == 0xFF) bound.pop_back();
    std::string condition = column + " >= " + quoted(prefix);
    if (bound.empty()) return condition;  // every value from `prefix` on begins with it
    bound.back() = static_cast<char>(static_cast<unsigned char>(bound.back()) + 1);
    return condition + " AND " + column + " < " + quoted(bound);
}

bool isRowId(const std::string& text) {
    const std::size_t digitsFrom = (!text.empty() && text[0] == '-') ? 1 : 0;
    const std::size_t digits = text.size() - digitsFrom;
    if (digits == 0 || digits > 19) return false;
    for (std::size_t i = digitsFrom; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    return true;
}

std::int64_t leadingInteger(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    // Accumulated as a negative number, whose range reaches one further.
    constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (value < (lowest + digit) / 10) {
            value = lowest;
            break;
        }
        value = value * 10 - digit;
    }
    if (negative) return value;
    return value == lowest ? std::numeric_limits<std::int64_t>::max() : -value;
}

std::vector<std::string_view> splitIndexEntry(std::string_view entry) {
    constexpr std::size_t kFields = 4;
    std::vector<std::string_view> fields;
    if (entry.empty()) return fields;
    std::size_t from = 0;
    while (fields.size() + 1 < kFields) {
        const std::size_t bar = entry.find('|', from);
        if (bar == std::string_view::npos) break;
        fields.push_back(entry.substr(from, bar - from));
        from = bar + 1;
    }
    fields.push_back(entry.substr(from));
    return fields;
}

}  // namespace sqltext
