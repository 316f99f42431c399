// Edit distance (optimal string alignment) and the nearest-name choice.
#include "app/NearestName.h"

#include <algorithm>

namespace {
char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
} // namespace

size_t EditDistance(const std::string& a, const std::string& b)
{
    // Three rows of the distance table are all the recurrence looks at.
    std::vector<size_t> before(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        previous[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const bool same = Fold(a[i - 1]) == Fold(b[j - 1]);
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (same ? 0 : 1)});
            if (i > 1 && j > 1 && Fold(a[i - 1]) == Fold(b[j - 2]) && Fold(a[i - 2]) == Fold(b[j - 1]))
                current[j] = std::min(current[j], before[j - 2] + 1);
        }
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return previous[b.size()];
}

std::string NearestName(const std::string& word, const std::vector<std::string>& candidates)
{
    std::string best;
    size_t bestDistance = 0;
    for (const std::string& candidate : candidates) {
        const size_t shorter = std::min(word.size(), candidate.size());
        // A slip of a letter or two, or of a third of a longer name; never most of the word.
        const size_t limit = std::max<size_t>(2, shorter / 3);
        const size_t d = EditDistance(word, candidate);
        if (d == 0 || d > limit || d >= shorter)
            continue;
        if (best.empty() || d < bestDistance) {
            best = candidate;
            bestDistance = d;
        }
    }
    return best;
}
