#include "scenario_words.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace tools {

std::vector<Word> split_words(const std::string& line)
{
    std::vector<Word> words;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            Word word{"", true};
            for (++i;; ++i) {
                if (i >= line.size()) throw WordError("a text that opens with \" is not closed");
                if (line[i] == '"') break;
                if (line[i] != '\\') {
                    word.text += line[i];
                    continue;
                }
                if (++i >= line.size()) throw WordError("a \\ at the end of the line");
                switch (line[i]) {
                case '"': word.text += '"'; break;
                case '\\': word.text += '\\'; break;
                case 'n': word.text += '\n'; break;
                case 'r': word.text += '\r'; break;
                case 't': word.text += '\t'; break;
                default: throw WordError(std::string("unknown escape \\") + line[i] + " (known: \\\" \\\\ \\n \\r \\t)");
                }
            }
            ++i;
            words.push_back(std::move(word));
        } else {
            Word word;
            // A # straight after a word starts a comment as well.
            while (i < line.size() && std::string_view(" \t\r\"#").find(line[i]) == std::string_view::npos)
                word.text += line[i++];
            words.push_back(std::move(word));
        }
    }
    return words;
}

std::optional<double> parse_decimal(const std::string& text)
{
    if (text.empty() || text.find_first_not_of("+-.0123456789") != std::string::npos) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || errno != 0 || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<long long> parse_integer(const std::string& text)
{
    if (text.empty() || text.find_first_not_of("+-0123456789") != std::string::npos) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (end != text.c_str() + text.size() || errno != 0) return std::nullopt;
    return value;
}

std::optional<sim::Nanoseconds> parse_duration(const std::string& text)
{
    struct Unit {
        const char* name;
        double nanoseconds;
    };
    static constexpr Unit kUnits[] = {{"ms", 1e6}, {"min", 60e9}, {"s", 1e9}, {"h", 3600e9}, {"d", 86400e9}};
    const std::size_t digits = text.find_first_not_of(".0123456789");
    if (digits == 0 || digits == std::string::npos) return std::nullopt;
    const std::string unit = text.substr(digits);
    for (const Unit& u : kUnits) {
        if (unit != u.name) continue;
        const std::optional<double> count = parse_decimal(text.substr(0, digits));
        if (!count) return std::nullopt;
        const double ns = std::round(*count * u.nanoseconds);
        // Far beyond any range a step allows, but still a 64-bit count.
        if (!(ns >= 1.0) || ns > 1e19) return std::nullopt;
        return static_cast<sim::Nanoseconds>(ns);
    }
    return std::nullopt;
}

}  // namespace tools
