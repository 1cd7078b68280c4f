#include "FuzzyMatch.h"

#include "follow/TextCharacters.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace tavilo {

int64_t editDistance(std::string_view a, std::string_view b)
{
    const auto x = splitCharacters(a);
    const auto y = splitCharacters(b);
    if (x.empty())
        return static_cast<int64_t>(y.size());
    if (y.empty())
        return static_cast<int64_t>(x.size());
    std::vector<int64_t> row(y.size() + 1);
    std::iota(row.begin(), row.end(), 0);
    for (size_t i = 1; i <= x.size(); ++i) {
        int64_t diagonal = row[0];
        row[0] = static_cast<int64_t>(i);
        for (size_t j = 1; j <= y.size(); ++j) {
            const int64_t above = row[j];
            row[j] = std::min({ above + 1, row[j - 1] + 1, diagonal + (x[i - 1] == y[j - 1] ? 0 : 1) });
            diagonal = above;
        }
    }
    return row[y.size()];
}

bool fuzzyEqual(std::string_view a, std::string_view b)
{
    const int64_t lengthA = characterCount(a);
    const int64_t lengthB = characterCount(b);
    if (lengthA < 4 || lengthB < 4)
        return false;
    return editDistance(a, b) <= fuzzyTolerance(std::max(lengthA, lengthB));
}

} // namespace tavilo
