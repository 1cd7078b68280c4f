#include "core/ReadingEstimate.h"

#include "core/PrompterModel.h"
#include "scripts/WordCount.h"

#include <algorithm>

namespace tavilo {

double readingWordsPerMinute(double speedPointsPerSecond)
{
    return std::max(speedPointsPerSecond / 85.0 * 160.0, 60.0);
}

int64_t estimateWordCount(std::string_view script)
{
    // Trimming only removes white space, so a blank script is exactly one with no runs.
    return whitespaceSeparatedRunCount(script);
}

double estimatedDurationForWords(int64_t words, double speedPointsPerSecond)
{
    if (words <= 0)
        return 0;
    return static_cast<double>(words) / readingWordsPerMinute(speedPointsPerSecond) * 60.0;
}

double estimatedDurationSeconds(std::string_view script, double speedPointsPerSecond)
{
    return estimatedDurationForWords(estimateWordCount(script), speedPointsPerSecond);
}

double estimatedDurationSeconds(const PrompterModel& model)
{
    return estimatedDurationSeconds(model.script(), model.speedPointsPerSecond());
}

} // namespace tavilo
